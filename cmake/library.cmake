# The library, the part of the build that users link and that add_subdirectory of this checkout
# gives a parent project. On Linux, per backend (headless, sdl):
#   libvantorel_<host>         libvantorel-<host>.so.1 (SONAME, version 1.0.0): the portable
#                              library and the backend in one self-contained shared library;
#                              alias Vantorel::<host>
#   libvantorel_<host>_static  libvantorel-<host>.a, the same as a static archive;
#                              alias Vantorel::<host>_static
#   libvantorel_static         libvantorel.a, the portable library alone (no window);
#                              alias Vantorel::portable_static
#   libvantorel                libvantorel.so.1, the portable library alone as 1.0.0 shipped it
#   vt_default[_static]        Vantorel::vantorel[_static]: the platform's window backend
# Windows and the browser are static only: Vantorel::<host> links libvantorel.a and the
# backend's archive libvantorel-<host>.a (Vantorel::backend_<host>). The backends without Win32
# share the Windows emulation in host/emulated/.
# (The target names differ from the programs' names; EXPORT_NAME gives the exported ones.)
# The portable code calls the host_* functions (host/host.h) and the gl* functions; a backend
# defines the first and brings the OpenGL library it draws through for the second (OSMesa and
# desktop GL both export every gl*, so one program has exactly one backend). Backends call back
# into the portable code only through the window procedure it registers, never by name.
include(GNUInstallDirs)

set(VANTOREL_AREAS support anim gfx text captions gfx3d)
# The public headers, relative to the source root. Everything else stays private.
set(VANTOREL_PUBLIC_HEADERS
  vantorel.h
  support/vt_api.h support/dyn_array.h support/util.h
  host/host_types.h
  gfx/shell_state.h gfx/keys.h gfx/window.h gfx/view.h gfx/clock.h gfx/pacing.h gfx/error_log.h
  gfx/draw2d.h gfx/screenshot.h
  text/texture.h text/font.h text/builtin_font.h text/font_variants.h text/text_draw.h
  text/markup.h
  captions/captions.h
  gfx3d/shapes.h gfx3d/cubemap.h gfx3d/blur.h gfx3d/text3d.h
  anim/format.h anim/anim_file.h anim/decode.h anim/canvas.h anim/encode.h anim/palette.h
  anim/rgb_frames.h)

# <vantorel/...> in the build tree: a folder whose areas link to the source folders, beside the
# generated version header. Installed, the same names lie under include/vantorel/.
set(VANTOREL_BUILD_INCLUDE ${PROJECT_BINARY_DIR}/include)
set(vt_inc ${VANTOREL_BUILD_INCLUDE}/vantorel)
file(MAKE_DIRECTORY ${vt_inc})
foreach(entry IN LISTS VANTOREL_AREAS ITEMS host vantorel.h)
  if(NOT EXISTS ${vt_inc}/${entry})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${entry} ${vt_inc}/${entry} SYMBOLIC COPY_ON_ERROR)
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${vt_inc}/version.h @ONLY)

# The Greek font, embedded from the committed font file.
set(vt_greek_cpp ${PROJECT_BINARY_DIR}/generated/caption_greek_data.cpp)
add_custom_command(OUTPUT ${vt_greek_cpp}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/assets/caption_greek.font
          -DOUTPUT=${vt_greek_cpp} -DNAME=caption_greek -P ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/assets/caption_greek.font ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
  COMMENT "Embedding assets/caption_greek.font")

# --- the portable library -------------------------------------------------------------------------
# Sources are picked up by glob so that new files need no edit here.
set(vt_lib_src ${vt_greek_cpp})
foreach(area IN LISTS VANTOREL_AREAS)
  file(GLOB area_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${area}/*.cpp)
  list(APPEND vt_lib_src ${area_src})
endforeach()

# Build paths stay out of the objects (debug information, __FILE__), so that the installed archives
# name the sources relative to the checkout, whatever machine built them.
set(vt_prefix_map -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
    -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)

# Hidden visibility: only the names marked VT_API are exported from a shared library.
function(vt_objects_setup target)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${VANTOREL_BUILD_INCLUDE})
  if(NOT WIN32)
    target_compile_options(${target} PRIVATE ${vt_prefix_map})
  endif()
  if(NOT WIN32 AND NOT EMSCRIPTEN)
    target_include_directories(${target} SYSTEM PRIVATE ${OSMESA_INCLUDE_DIRS})
    set_target_properties(${target} PROPERTIES C_VISIBILITY_PRESET hidden
                          CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  endif()
endfunction()

# Compiled once, for every library below.
add_library(vantorel_objects OBJECT ${vt_lib_src})
vt_objects_setup(vantorel_objects)

# gzip- and zstd-compressed .anim files (anim/compressed.cpp) through zlib and libzstd, where they
# are found. Linked by plain name, so that the installed package files stay relocatable. Windows
# and the browser carry their own (cmake/bundled_decoders.cmake).
set(VT_COMPRESSION_LIBS)
set(VT_BUNDLED_OBJECTS)
if(WIN32 OR EMSCRIPTEN)
  include(${CMAKE_CURRENT_LIST_DIR}/bundled_decoders.cmake)
else()
  # Compiles vantorel_objects with VT_HAVE_NAME=1 and links -lLIB when HEADER and the library are
  # found (vt_have_NAME tells which); otherwise warns with WHY.
  function(vt_optional_library name header lib why)
    find_path(VT_${name}_INCLUDE ${header})
    find_library(VT_${name}_LIBRARY ${lib})
    if(VT_${name}_INCLUDE AND VT_${name}_LIBRARY)
      target_compile_definitions(vantorel_objects PRIVATE VT_HAVE_${name}=1)
      set(VT_COMPRESSION_LIBS ${VT_COMPRESSION_LIBS} ${lib} PARENT_SCOPE)
      set(vt_have_${name} ON PARENT_SCOPE)
    else()
      message(WARNING "${why}")
    endif()
  endfunction()
  vt_optional_library(ZLIB zlib.h z
                      "zlib not found (zlib1g-dev): gzip-compressed .anim files will be refused")
  # A gzip file that fits in memory is decompressed at once by libdeflate, twice zlib's speed.
  if(vt_have_ZLIB)
    vt_optional_library(LIBDEFLATE libdeflate.h deflate
                        "libdeflate not found (libdeflate-dev): gzip-compressed .anim files decode slower")
  endif()
  vt_optional_library(ZSTD zstd.h zstd
                      "libzstd not found (libzstd-dev): zstd-compressed .anim files will be refused")
endif()
list(JOIN VT_COMPRESSION_LIBS " -l" vt_pc_compression)
if(vt_pc_compression)
  set(VT_PC_COMPRESSION_LIBS " -l${vt_pc_compression}")
endif()

function(vt_library_interface target)
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${VANTOREL_BUILD_INCLUDE}>
                             $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endfunction()

# A shared library with SONAME lib<name>.so.1, exporting only the API (the version script keeps
# C++ template code that the standard library marks visible out of the dynamic symbol table).
function(vt_shared_library_setup target)
  set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION}
                        SOVERSION ${PROJECT_VERSION_MAJOR})
  target_link_options(${target} PRIVATE
                      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/libvantorel.map)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/libvantorel.map)
endfunction()

# The portable library alone, static (Vantorel::portable_static): enough for programs that use
# only the parts needing no window (the ".anim" reader and writer, palettes, the file helpers),
# as animtool does. It is C++ inside, so its link interface carries the C++ runtime, and a C
# program links it with nothing more.
add_library(libvantorel_static STATIC $<TARGET_OBJECTS:vantorel_objects> ${VT_BUNDLED_OBJECTS})
set_target_properties(libvantorel_static PROPERTIES OUTPUT_NAME vantorel EXPORT_NAME portable_static)
vt_library_interface(libvantorel_static)
if(NOT WIN32 AND NOT EMSCRIPTEN)
  target_link_libraries(libvantorel_static INTERFACE stdc++ m ${VT_COMPRESSION_LIBS})
endif()
add_library(Vantorel::portable_static ALIAS libvantorel_static)
if(NOT WIN32 AND NOT EMSCRIPTEN)
  # libvantorel.so.1, the portable library without a backend, as version 1.0.0 shipped it: kept
  # for the programs already linked against it (with a static backend of their own). New programs
  # link a self-contained backend library instead; this one has no CMake target of the package.
  add_library(libvantorel SHARED $<TARGET_OBJECTS:vantorel_objects>)
  set_target_properties(libvantorel PROPERTIES OUTPUT_NAME vantorel)
  vt_shared_library_setup(libvantorel)
  target_link_libraries(libvantorel PRIVATE m ${VT_COMPRESSION_LIBS})
endif()

# --- host backends --------------------------------------------------------------------------------
# Linux: each backend gives two complete libraries holding the portable code and the backend,
#   libvantorel-<host>.so.1  (Vantorel::<host>)         self-contained: any program or
#                            foreign-function interface loads it with no other file of ours
#   libvantorel-<host>.a     (Vantorel::<host>_static)  the same objects as a static archive
# Their link interfaces carry what a program needs beyond them: the OpenGL library of the backend
# (programs may call gl* themselves) and, for the archive, the system libraries and the C++
# runtime, so that C programs link them from CMake as they do from pkg-config.
# Windows and the browser: static only, the portable library (Vantorel::portable_static) and the
# backend (Vantorel::backend_<host>) as two archives that Vantorel::<host> links in that order.
set(VANTOREL_BACKENDS)
set(VANTOREL_BACKEND_TARGETS)
function(vt_backend name)  # vt_backend(name SOURCES ... LIBS ... [GL lib])
  cmake_parse_arguments(arg "" "GL" "SOURCES;LIBS" ${ARGN})
  if(WIN32 OR EMSCRIPTEN)
    add_library(libvantorel_${name} STATIC ${arg_SOURCES})
    set_target_properties(libvantorel_${name} PROPERTIES OUTPUT_NAME vantorel-${name}
                          EXPORT_NAME backend_${name} POSITION_INDEPENDENT_CODE ON)
    target_include_directories(libvantorel_${name} PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(libvantorel_${name} PUBLIC ${arg_LIBS})
    add_library(Vantorel::backend_${name} ALIAS libvantorel_${name})
    # The order matters: the backend after the portable library whose host_* calls it defines.
    add_library(vantorel_${name} INTERFACE)
    target_link_libraries(vantorel_${name} INTERFACE libvantorel_static libvantorel_${name})
    set_target_properties(vantorel_${name} PROPERTIES EXPORT_NAME ${name})
    add_library(Vantorel::${name} ALIAS vantorel_${name})
    add_library(Vantorel::${name}_static ALIAS vantorel_${name})
    set(vt_targets libvantorel_${name} vantorel_${name})
  else()
    add_library(vt_backend_${name}_objects OBJECT ${arg_SOURCES})
    vt_objects_setup(vt_backend_${name}_objects)
    target_link_libraries(vt_backend_${name}_objects PRIVATE ${arg_LIBS})
    set(objects $<TARGET_OBJECTS:vantorel_objects> $<TARGET_OBJECTS:vt_backend_${name}_objects>)

    add_library(libvantorel_${name} SHARED ${objects})
    set_target_properties(libvantorel_${name} PROPERTIES OUTPUT_NAME vantorel-${name}
                          EXPORT_NAME ${name})
    vt_shared_library_setup(libvantorel_${name})
    vt_library_interface(libvantorel_${name})
    list(REMOVE_ITEM arg_LIBS ${arg_GL})
    target_link_libraries(libvantorel_${name} PUBLIC ${arg_GL} PRIVATE ${arg_LIBS} m ${VT_COMPRESSION_LIBS})
    add_library(Vantorel::${name} ALIAS libvantorel_${name})

    add_library(libvantorel_${name}_static STATIC ${objects})
    set_target_properties(libvantorel_${name}_static PROPERTIES OUTPUT_NAME vantorel-${name}
                          EXPORT_NAME ${name}_static)
    vt_library_interface(libvantorel_${name}_static)
    target_link_libraries(libvantorel_${name}_static INTERFACE ${arg_GL} ${arg_LIBS} stdc++ m ${VT_COMPRESSION_LIBS})
    add_library(Vantorel::${name}_static ALIAS libvantorel_${name}_static)
    set(vt_targets libvantorel_${name} libvantorel_${name}_static)
  endif()
  set(VANTOREL_BACKENDS ${VANTOREL_BACKENDS} ${name} PARENT_SCOPE)
  set(VANTOREL_BACKEND_TARGETS ${VANTOREL_BACKEND_TARGETS} ${vt_targets} PARENT_SCOPE)
endfunction()

set(VT_HAVE_SDL OFF)
if(WIN32)
  file(GLOB host_win32_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/win32/*.cpp)
  vt_backend(win32 SOURCES ${host_win32_src} ${PROJECT_SOURCE_DIR}/host/emulated/gl_limits.cpp
             LIBS opengl32 gdi32 user32 kernel32)
elseif(EMSCRIPTEN)
  # The browser: the page's canvas, events and timers, and its own OpenGL 1.1 over WebGL 2.
  file(GLOB host_web_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/web/*.cpp)
  vt_backend(web SOURCES ${host_web_src} ${PROJECT_SOURCE_DIR}/host/emulated/emulated.cpp
             ${PROJECT_SOURCE_DIR}/host/posix/posix_dates.cpp
             ${PROJECT_SOURCE_DIR}/host/posix/posix_drop.cpp LIBS "")
  # What every program linking the web backend needs from Emscripten: WebGL 2, and Asyncify so
  # that sleeps and message boxes can wait for the browser inside the program's own loop.
  target_link_options(libvantorel_web INTERFACE -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
                      -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1)
else()
  file(GLOB host_posix_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/posix/*.cpp)
  file(GLOB host_headless_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/headless/*.cpp)
  vt_backend(headless SOURCES ${host_posix_src} ${host_headless_src}
             ${PROJECT_SOURCE_DIR}/host/emulated/emulated.cpp
             LIBS PkgConfig::OSMESA PkgConfig::PNG GL PkgConfig::OSMESA)
  if(SDL2_FOUND AND DESKTOPGL_FOUND)
    file(GLOB host_sdl_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/sdl/*.cpp)
    if(host_sdl_src)
      set(VT_HAVE_SDL ON)
      vt_backend(sdl SOURCES ${host_posix_src} ${host_sdl_src}
                 ${PROJECT_SOURCE_DIR}/host/emulated/emulated.cpp
                 ${PROJECT_SOURCE_DIR}/host/emulated/gl_limits.cpp
                 LIBS PkgConfig::SDL2 PkgConfig::DESKTOPGL PkgConfig::PNG GL PkgConfig::DESKTOPGL)
    endif()
  endif()
endif()

# Vantorel::vantorel and Vantorel::vantorel_static: the library with the platform's window backend
# (the desktop one on Linux, headless where SDL2 was missing at build time), for programs that
# name no backend.
if(WIN32)
  set(VANTOREL_DEFAULT_BACKEND win32)
elseif(EMSCRIPTEN)
  set(VANTOREL_DEFAULT_BACKEND web)
elseif(VT_HAVE_SDL)
  set(VANTOREL_DEFAULT_BACKEND sdl)
else()
  set(VANTOREL_DEFAULT_BACKEND headless)
endif()
foreach(variant IN ITEMS "" _static)
  get_target_property(vt_default Vantorel::${VANTOREL_DEFAULT_BACKEND}${variant} ALIASED_TARGET)
  add_library(vt_default${variant} INTERFACE)
  target_link_libraries(vt_default${variant} INTERFACE ${vt_default})
  set_target_properties(vt_default${variant} PROPERTIES EXPORT_NAME vantorel${variant})
  add_library(Vantorel::vantorel${variant} ALIAS vt_default${variant})
endforeach()

# Installable with their export set (headers, package files and the install of the export set
# come with the packaging: packaging/sdk.cmake). On for this project's own build; a parent project
# that adds this checkout installs only what it chooses to.
option(VANTOREL_INSTALL_LIBRARY "Install the library targets with the VantorelTargets export set"
       ${PROJECT_IS_TOP_LEVEL})
if(NOT VANTOREL_INSTALL_LIBRARY)
  return()
endif()
install(TARGETS libvantorel_static ${VANTOREL_BACKEND_TARGETS} vt_default vt_default_static
        EXPORT VantorelTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries
                NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET libvantorel)
  install(TARGETS libvantorel LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries
          NAMELINK_SKIP)
endif()
