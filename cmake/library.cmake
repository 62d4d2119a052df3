# The library, the part of the build that users link and that add_subdirectory of this checkout
# gives a parent project:
#   libvantorel            libvantorel.so.1 (Linux: SONAME libvantorel.so.1, version 1.0.0) or
#                          libvantorel.a (Windows, static only); alias Vantorel::vantorel
#   libvantorel_static     libvantorel.a on Linux; alias Vantorel::vantorel_static
#                          (the browser build, like Windows, has the static one only)
#   libvantorel_<host>     libvantorel-<host>.a: one host backend (headless, sdl, win32, web);
#                          alias Vantorel::backend_<host>
#   vantorel_<host>        what a program links: the portable library, then the backend, then
#                          the system libraries the backend needs; alias Vantorel::<host>, and
#                          vantorel_<host>_static (Vantorel::<host>_static) with the static one
# (the target names differ from the programs' names; EXPORT_NAME gives the exported ones).
# The portable code calls the host_* functions (host/host.h) and the gl* functions; both stay
# undefined in libvantorel.so and come from the backend the program links (a backend brings the
# OpenGL library it draws through: OSMesa and desktop GL both export every gl*, so one program
# has exactly one). Backends call back into the portable code only through the window procedure
# it registers, never by name, so the link order "portable library, backend" needs no group.
include(GNUInstallDirs)

set(VANTOREL_AREAS support anim gfx text captions gfx3d)
# The public headers, relative to the source root. Everything else stays private.
set(VANTOREL_PUBLIC_HEADERS
  vantorel.h
  support/vt_api.h support/dyn_array.h support/util.h
  host/host_types.h
  gfx/shell_state.h gfx/window.h gfx/view.h gfx/clock.h gfx/pacing.h gfx/error_log.h
  gfx/draw2d.h gfx/screenshot.h
  text/texture.h text/font.h text/builtin_font.h text/font_variants.h text/text_draw.h
  text/markup.h
  captions/captions.h
  gfx3d/shapes.h gfx3d/cubemap.h gfx3d/blur.h gfx3d/text3d.h
  anim/anim_file.h anim/decode.h anim/canvas.h anim/encode.h anim/palette.h
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

# Compiled once, for both the shared and the static library.
add_library(vantorel_objects OBJECT ${vt_lib_src})
set_target_properties(vantorel_objects PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(vantorel_objects PRIVATE ${PROJECT_SOURCE_DIR} ${VANTOREL_BUILD_INCLUDE})
if(NOT WIN32)
  target_include_directories(vantorel_objects SYSTEM PRIVATE ${OSMESA_INCLUDE_DIRS})
  set_target_properties(vantorel_objects PROPERTIES C_VISIBILITY_PRESET hidden
                        CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
endif()

function(vt_library_interface target)
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${VANTOREL_BUILD_INCLUDE}>
                             $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  if(NOT WIN32)
    target_link_libraries(${target} PRIVATE m)
  endif()
endfunction()

if(WIN32 OR EMSCRIPTEN)
  add_library(libvantorel STATIC $<TARGET_OBJECTS:vantorel_objects>)
  set(VANTOREL_STATIC_TARGET libvantorel)
else()
  add_library(libvantorel SHARED $<TARGET_OBJECTS:vantorel_objects>)
  set_target_properties(libvantorel PROPERTIES VERSION ${PROJECT_VERSION}
                        SOVERSION ${PROJECT_VERSION_MAJOR})
  target_link_options(libvantorel PRIVATE
                      -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/libvantorel.map)
  set_property(TARGET libvantorel APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/libvantorel.map)
  add_library(libvantorel_static STATIC $<TARGET_OBJECTS:vantorel_objects>)
  set_target_properties(libvantorel_static PROPERTIES OUTPUT_NAME vantorel EXPORT_NAME vantorel_static)
  vt_library_interface(libvantorel_static)
  set(VANTOREL_STATIC_TARGET libvantorel_static)
endif()
set_target_properties(libvantorel PROPERTIES OUTPUT_NAME vantorel EXPORT_NAME vantorel)
vt_library_interface(libvantorel)
add_library(Vantorel::vantorel ALIAS libvantorel)
add_library(Vantorel::vantorel_static ALIAS ${VANTOREL_STATIC_TARGET})

# --- host backends --------------------------------------------------------------------------------
# Static only, position-independent: a backend is small and each program has exactly one, and a
# static backend lets a program link the shared portable library whose host_* calls it resolves
# (the linker exports those from the program because libvantorel.so refers to them).
set(VANTOREL_BACKENDS)
function(vt_backend name)  # vt_backend(name SOURCES ... LIBS ...)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS" ${ARGN})
  add_library(libvantorel_${name} STATIC ${arg_SOURCES})
  set_target_properties(libvantorel_${name} PROPERTIES OUTPUT_NAME vantorel-${name}
                        EXPORT_NAME backend_${name} POSITION_INDEPENDENT_CODE ON)
  target_include_directories(libvantorel_${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(libvantorel_${name} PUBLIC ${arg_LIBS})
  add_library(Vantorel::backend_${name} ALIAS libvantorel_${name})
  foreach(variant IN ITEMS "" _static)
    if(variant STREQUAL "")
      set(portable libvantorel)
    else()
      set(portable ${VANTOREL_STATIC_TARGET})
    endif()
    # The order matters: the backend after the portable library whose host_* calls it defines.
    add_library(vantorel_${name}${variant} INTERFACE)
    target_link_libraries(vantorel_${name}${variant} INTERFACE ${portable} libvantorel_${name})
    set_target_properties(vantorel_${name}${variant} PROPERTIES EXPORT_NAME ${name}${variant})
    add_library(Vantorel::${name}${variant} ALIAS vantorel_${name}${variant})
  endforeach()
  set(VANTOREL_BACKENDS ${VANTOREL_BACKENDS} ${name} PARENT_SCOPE)
endfunction()

set(VT_HAVE_SDL OFF)
if(WIN32)
  file(GLOB host_win32_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/win32/*.cpp)
  vt_backend(win32 SOURCES ${host_win32_src} LIBS opengl32 gdi32 user32 kernel32)
elseif(EMSCRIPTEN)
  # The browser: the page's canvas, events and timers, and its own OpenGL 1.1 over WebGL 2.
  file(GLOB host_web_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/web/*.cpp)
  vt_backend(web SOURCES ${host_web_src} ${PROJECT_SOURCE_DIR}/host/posix/posix_dates.cpp
             ${PROJECT_SOURCE_DIR}/host/posix/posix_drop.cpp LIBS "")
  # What every program linking the web backend needs from Emscripten: WebGL 2, and Asyncify so
  # that sleeps and message boxes can wait for the browser inside the program's own loop.
  target_link_options(libvantorel_web INTERFACE -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
                      -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sALLOW_MEMORY_GROWTH=1)
else()
  file(GLOB host_posix_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/posix/*.cpp)
  file(GLOB host_headless_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/headless/*.cpp)
  vt_backend(headless SOURCES ${host_posix_src} ${host_headless_src}
             LIBS PkgConfig::OSMESA PkgConfig::PNG)
  if(SDL2_FOUND AND DESKTOPGL_FOUND)
    file(GLOB host_sdl_src CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/sdl/*.cpp)
    if(host_sdl_src)
      set(VT_HAVE_SDL ON)
      vt_backend(sdl SOURCES ${host_posix_src} ${host_sdl_src}
                 LIBS PkgConfig::SDL2 PkgConfig::DESKTOPGL PkgConfig::PNG)
    endif()
  endif()
endif()

# Installable with their export set (headers, package files and the install of the export set
# come with the packaging: packaging/sdk.cmake). On for this project's own build; a parent project
# that adds this checkout installs only what it chooses to.
option(VANTOREL_INSTALL_LIBRARY "Install the library targets with the VantorelTargets export set"
       ${PROJECT_IS_TOP_LEVEL})
if(NOT VANTOREL_INSTALL_LIBRARY)
  return()
endif()
set(vt_installed libvantorel)
if(NOT WIN32 AND NOT EMSCRIPTEN)
  list(APPEND vt_installed libvantorel_static)
endif()
foreach(name IN LISTS VANTOREL_BACKENDS)
  list(APPEND vt_installed libvantorel_${name} vantorel_${name} vantorel_${name}_static)
endforeach()
install(TARGETS ${vt_installed} EXPORT VantorelTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries
                NAMELINK_COMPONENT development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
