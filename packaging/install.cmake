# Install rules and the Debian packages. `cmake --install` (make install) puts under the prefix, in
# three components that CPack (make package) turns into three .debs under /usr:
#   programs     vantorel: the programs, desktop entry, icons, MIME type, thumbnailer, manual
#                pages and demo; its dependencies are the shared libraries the programs really
#                link (dpkg-shlibdeps)
#   libraries    libvantorel1: the shared libraries, with their shlibs file and the ldconfig trigger
#   development  libvantorel-dev: headers, static libraries, the .so link, the CMake package, the
#                pkg-config files and the examples' sources (packaging/sdk.cmake)
# Each package has its copyright file and changelog under share/doc/<package>.
include(GNUInstallDirs)
# Installing and packaging need only the installed targets, not the tests and benchmarks; the
# Makefile builds those targets first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(VT_DEB_PROGRAMS vantorel)
set(VT_DEB_LIBRARIES libvantorel1)
set(VT_DEB_DEVELOPMENT libvantorel-dev)
set(VT_EXAMPLES_DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VT_DEB_DEVELOPMENT}/examples)
include(${CMAKE_SOURCE_DIR}/packaging/sdk.cmake)

# vantorel-headless: the player for servers and CI, drawing off-screen and driven by a script.
set(VT_INSTALLED_PROGRAMS vantorel-headless animtool bmp2png)
if(VT_HAVE_SDL)
  list(PREPEND VT_INSTALLED_PROGRAMS vantorel)
endif()
install(TARGETS ${VT_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        COMPONENT programs)

set(pk ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${pk}/vantorel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT programs)
install(FILES ${pk}/vantorel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        COMPONENT programs)
install(FILES ${pk}/vantorel.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers
        COMPONENT programs)
foreach(size 48 256)
  install(FILES ${pk}/icons/vantorel-${size}.png RENAME vantorel.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          COMPONENT programs)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/assets/demo.anim ${CMAKE_SOURCE_DIR}/assets/demo_captions.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vantorel COMPONENT programs)

# Manual pages and the changelog compressed as Debian keeps them: gzip -9n (best compression, no
# file name or time inside, so the same sources give the same bytes).
find_program(VT_GZIP gzip REQUIRED)
set(vt_gz ${CMAKE_BINARY_DIR}/packaging/gz)
set(vt_gz_files)
foreach(doc man/vantorel.1 man/vantorel-headless.1 man/animtool.1 man/bmp2png.1
            packaging/debian/changelog)
  get_filename_component(doc_name ${doc} NAME)
  add_custom_command(OUTPUT ${vt_gz}/${doc_name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/${doc} ${vt_gz}/${doc_name}
    COMMAND ${VT_GZIP} -9nf ${vt_gz}/${doc_name}
    DEPENDS ${CMAKE_SOURCE_DIR}/${doc} VERBATIM)
  list(APPEND vt_gz_files ${vt_gz}/${doc_name}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${vt_gz_files})
install(FILES ${vt_gz}/vantorel.1.gz ${vt_gz}/vantorel-headless.1.gz ${vt_gz}/animtool.1.gz
              ${vt_gz}/bmp2png.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programs)
# Without the library's install rules (VANTOREL_INSTALL_LIBRARY off) only the programs remain.
set(vt_components programs)
if(VANTOREL_INSTALL_LIBRARY)
  list(APPEND vt_components libraries development)
  include(${CMAKE_SOURCE_DIR}/python/python.cmake)  # python3-vantorel, which needs libvantorel1
endif()
foreach(component IN LISTS vt_components)
  string(TOUPPER ${component} c)
  install(FILES ${pk}/debian/copyright ${vt_gz}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VT_DEB_${c}} COMPONENT ${component})
endforeach()

# The guide and the README where a developer looks for them, beside the examples.
install(FILES ${CMAKE_SOURCE_DIR}/docs/library.md ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VT_DEB_DEVELOPMENT} COMPONENT development)

# The API reference: HTML beside the guide, and the manual pages of section 3 (docs/docs.cmake).
if(TARGET api_docs AND VANTOREL_INSTALL_LIBRARY)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/api-docs/html/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${VT_DEB_DEVELOPMENT}/html COMPONENT development)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/api-docs/man/man3/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man3
          COMPONENT development FILES_MATCHING PATTERN "*.gz")
endif()

# The changelog's latest entry is the release being built.
file(STRINGS ${pk}/debian/changelog vt_changelog_top LIMIT_COUNT 1)
string(FIND "${vt_changelog_top}" "vantorel (${PROJECT_VERSION}) " vt_changelog_at)
if(NOT vt_changelog_at EQUAL 0)
  message(FATAL_ERROR "packaging/debian/changelog: the latest entry is not version "
          "${PROJECT_VERSION}: ${vt_changelog_top}")
endif()

# Everything the install rules copy, built by `make install` and `make package` before they run.
add_custom_target(installables)
add_dependencies(installables ${VT_INSTALLED_PROGRAMS} ${VT_INSTALLED_LIBRARIES} compressed_docs)
if(TARGET api_docs)
  add_dependencies(installables api_docs)
endif()

# Regenerates the committed icons from the demo generator's wheel (see scripts/make-icon.sh).
add_custom_target(icon
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-icon.sh ${CMAKE_BINARY_DIR} ${pk}/icons
  DEPENDS animtool make_demo_anim VERBATIM)

# --- Debian packages -----------------------------------------------------------------------------
# No package-wide summary: each package's description starts with its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantorel")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${vt_components})
# The project's own address; a release built elsewhere names its maintainer here.
set(VANTOREL_MAINTAINER "Vantorel developers <developers@vantorel.org>"
    CACHE STRING "Maintainer field of the Debian packages")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VANTOREL_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_PROGRAMS_PACKAGE_NAME ${VT_DEB_PROGRAMS})
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SUGGESTS "ffmpeg")
string(CONCAT CPACK_DEBIAN_PROGRAMS_DESCRIPTION
    "player for .anim frame-delta animations\n"
    "Vantorel plays .anim animations, which store each frame as the pixels that\n"
    "changed since the frame before, in one fixed 256-colour palette. The package\n"
    "holds the player, vantorel-headless (the player off-screen, driven by a\n"
    "script, for servers and CI), animtool (inspect, render, encode, thumbnails)\n"
    "and bmp2png (the converter of the player's screenshots), with a desktop\n"
    "entry, a MIME type, a thumbnailer, manual pages and a demo animation.")

# The shared library: programs built against 1.x run with any later 1.y (>= in the shlibs file).
# CPack would call ldconfig from postinst and postrm; Debian runs it through the trigger instead,
# so packaging/deb-postbuild.cmake takes those scripts out again.
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_NAME ${VT_DEB_LIBRARIES})
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_SHLIBDEPS ON)
# (For every package, but only this one holds a shared library.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_CONTROL_EXTRA ${pk}/debian/triggers)
# One package for the backends' libraries, which share their version and are made together.
if(VANTOREL_INSTALL_LIBRARY)
  install(FILES ${pk}/debian/libvantorel1.lintian-overrides RENAME ${VT_DEB_LIBRARIES}
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT libraries)
endif()
string(CONCAT CPACK_DEBIAN_LIBRARIES_DESCRIPTION
    "small OpenGL 1.1 graphics library for one-window programs\n"
    "Vantorel is a C-callable graphics library: one window with keyboard and\n"
    "mouse input, a clock, 2D drawing, bitmap fonts with variants and mark-up,\n"
    "captions, screenshots, 3D shapes, cube-map backdrops, blur and 3D text, and\n"
    "the recorder and decoder of .anim animations.\n"
    "This package holds the shared libraries: libvantorel-sdl.so.1 (a desktop\n"
    "window) and libvantorel-headless.so.1 (off-screen), each complete on its own\n"
    "and loadable from any language, and libvantorel.so.1 for older programs.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ${VT_DEB_DEVELOPMENT})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# What the CMake package and the pkg-config files look up for the backends.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
    "${VT_DEB_LIBRARIES} (= ${PROJECT_VERSION}), libosmesa6-dev, libgl-dev, libsdl2-dev, libpng-dev, zlib1g-dev, libzstd-dev, libdeflate-dev, pkg-config")
# The programs' package has bmp2png, which screenshot_window runs for PNG screenshots.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_RECOMMENDS "${VT_DEB_PROGRAMS}")
string(CONCAT CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "small OpenGL 1.1 graphics library for one-window programs (development)\n"
    "Vantorel is a C-callable graphics library: one window with keyboard and\n"
    "mouse input, a clock, 2D drawing, bitmap fonts with variants and mark-up,\n"
    "captions, screenshots, 3D shapes, cube-map backdrops, blur and 3D text, and\n"
    "the recorder and decoder of .anim animations.\n"
    "This package holds the headers, the static libraries, the CMake package\n"
    "(find_package(Vantorel)), the pkg-config files (vantorel-sdl,\n"
    "vantorel-headless) and the examples' sources.")

set(CPACK_POST_BUILD_SCRIPTS ${pk}/deb-postbuild.cmake)
include(CPack)
