# Install rules and the Debian package. `cmake --install` (make install) puts the programs, the
# desktop entry, the icons, the MIME type, the thumbnailer, the manual pages and the demo under the
# prefix; CPack (make package) builds a .deb of the same files under /usr, its dependencies taken
# from the shared libraries the programs really link (dpkg-shlibdeps).
include(GNUInstallDirs)
# Installing and packaging need only the installed programs, not the tests and benchmarks; the
# Makefile builds those programs first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(VT_INSTALLED_PROGRAMS animtool bmp2png)
if(VT_HAVE_SDL)
  list(PREPEND VT_INSTALLED_PROGRAMS vantorel)
endif()
install(TARGETS ${VT_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(pk ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${pk}/vantorel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pk}/vantorel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${pk}/vantorel.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
foreach(size 48 256)
  install(FILES ${pk}/icons/vantorel-${size}.png RENAME vantorel.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/man/vantorel.1 ${CMAKE_SOURCE_DIR}/man/animtool.1
              ${CMAKE_SOURCE_DIR}/man/bmp2png.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/assets/demo.anim ${CMAKE_SOURCE_DIR}/assets/demo_captions.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/vantorel)

# Regenerates the committed icons from the demo generator's wheel (see scripts/make-icon.sh).
add_custom_target(icon
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-icon.sh ${CMAKE_BINARY_DIR} ${pk}/icons
  DEPENDS animtool make_demo_anim VERBATIM)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantorel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vantorel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "player for .anim frame-delta animations")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vantorel plays .anim animations, which store each frame as the pixels that\n"
    "changed since the frame before, in one fixed 256-colour palette. The package\n"
    "holds the player, animtool (inspect, render, encode, thumbnails) and bmp2png\n"
    "(the converter of the player's screenshots), with a desktop entry, a MIME\n"
    "type, a thumbnailer, manual pages and a demo animation.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vantorel developers <vantorel@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ffmpeg")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
