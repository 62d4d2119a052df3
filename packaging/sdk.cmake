# The library for other programs, installed: the public headers under include/vantorel/, the
# export set as the CMake package Vantorel (<libdir>/cmake/Vantorel), one pkg-config file per
# library and the examples' sources. Every installed path is relative to the prefix, and the
# package and pkg-config files find the rest from their own place, so the installed tree works
# wherever it is put: any prefix, a DESTDIR staging tree, an unpacked .deb, the Windows SDK zip.
# Components: "libraries" is the shared library (the Debian package libvantorel1), "development"
# everything else here (libvantorel-dev, the Windows SDK). Included after cmake/library.cmake.
#   VT_EXAMPLES_DESTINATION   where the examples' sources go (relative to the prefix)
if(NOT VANTOREL_INSTALL_LIBRARY)
  return()
endif()
include(CMakePackageConfigHelpers)

# The library targets an install needs built (the Makefile and the SDK zip build them first).
set(VT_INSTALLED_LIBRARIES libvantorel_static ${VANTOREL_BACKEND_TARGETS})
if(TARGET libvantorel)
  list(APPEND VT_INSTALLED_LIBRARIES libvantorel)
endif()

# --- headers -------------------------------------------------------------------------------------
foreach(header IN LISTS VANTOREL_PUBLIC_HEADERS)
  get_filename_component(header_dir ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vantorel/${header_dir} COMPONENT development)
endforeach()
install(FILES ${VANTOREL_BUILD_INCLUDE}/vantorel/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vantorel COMPONENT development)

# --- CMake package -------------------------------------------------------------------------------
# The export set VantorelTargets comes from cmake/library.cmake, with the names users see.
set(VT_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vantorel)
set(vt_pkg ${PROJECT_BINARY_DIR}/packaging)
install(EXPORT VantorelTargets NAMESPACE Vantorel:: DESTINATION ${VT_CMAKE_PACKAGE_DIR}
        COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/VantorelConfig.cmake.in
  ${vt_pkg}/VantorelConfig.cmake INSTALL_DESTINATION ${VT_CMAKE_PACKAGE_DIR}
  NO_SET_AND_CHECK_MACRO)
# Any 1.x library serves a program that asked for 1.y with y <= x; the size of a pointer must match
# (a 32-bit Windows SDK is refused to a 64-bit build).
write_basic_package_version_file(${vt_pkg}/VantorelConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${vt_pkg}/VantorelConfig.cmake ${vt_pkg}/VantorelConfigVersion.cmake
        DESTINATION ${VT_CMAKE_PACKAGE_DIR} COMPONENT development)

# --- pkg-config ----------------------------------------------------------------------------------
# prefix=${pcfiledir}/<this>: the way up from <libdir>/pkgconfig to the prefix.
file(RELATIVE_PATH VT_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" VT_PC_PREFIX "${VT_PC_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/vantorel.pc.in ${vt_pkg}/vantorel.pc @ONLY)
set(vt_pc_files ${vt_pkg}/vantorel.pc)
foreach(vt_backend IN LISTS VANTOREL_BACKENDS)
  if(vt_backend STREQUAL "headless")
    set(vt_pc_description "The Vantorel library drawing off-screen through OSMesa")
    set(vt_pc_requires "Requires: osmesa\nRequires.private: libpng")
    set(vt_pc_libs "-lvantorel-headless")
  elseif(vt_backend STREQUAL "sdl")
    set(vt_pc_description "The Vantorel library in a desktop window through SDL2 and OpenGL")
    set(vt_pc_requires "Requires: gl\nRequires.private: sdl2 libpng")
    set(vt_pc_libs "-lvantorel-sdl")
  elseif(vt_backend STREQUAL "win32")
    set(vt_pc_description "The Vantorel library in a Win32 window through WGL")
    set(vt_pc_requires "")
    set(vt_pc_libs "-lvantorel -lvantorel-win32 -lopengl32 -lgdi32 -luser32 -lkernel32 -lstdc++ -lm")
  else()
    message(FATAL_ERROR "packaging/sdk.cmake: no pkg-config description of backend ${vt_backend}")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/vantorel-backend.pc.in
                 ${vt_pkg}/vantorel-${vt_backend}.pc @ONLY)
  list(APPEND vt_pc_files ${vt_pkg}/vantorel-${vt_backend}.pc)
endforeach()
install(FILES ${vt_pc_files} DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# --- examples ------------------------------------------------------------------------------------
file(GLOB vt_example_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.c
     ${PROJECT_SOURCE_DIR}/examples/*.cpp ${PROJECT_SOURCE_DIR}/examples/*.h)
install(FILES ${vt_example_sources} DESTINATION ${VT_EXAMPLES_DESTINATION} COMPONENT development)
