# Run by CPack once the .debs are made (CPACK_POST_BUILD_SCRIPTS). CPack writes an ldconfig call
# into the postinst and postrm of a package that holds shared libraries; in Debian the package's
# ldconfig trigger (packaging/debian/triggers) does that work, and the calls are a lintian
# warning. This takes the two scripts out of the shared library's package and packs it again.
find_program(VT_DPKG_DEB dpkg-deb REQUIRED)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(deb_name ${deb} NAME)
  if(NOT deb_name MATCHES "^${CPACK_DEBIAN_LIBRARIES_PACKAGE_NAME}_.*\\.deb$")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${VT_DPKG_DEB} --raw-extract ${deb} ${tree} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "deb-postbuild: cannot unpack ${deb}")
  endif()
  file(REMOVE ${tree}/DEBIAN/postinst ${tree}/DEBIAN/postrm)
  execute_process(COMMAND ${VT_DPKG_DEB} --root-owner-group -Zgzip --build ${tree} ${deb}
                  OUTPUT_QUIET RESULT_VARIABLE status)
  file(REMOVE_RECURSE ${tree})
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "deb-postbuild: cannot pack ${deb} again")
  endif()
endforeach()
