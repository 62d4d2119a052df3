# The Windows installer, vantorel-<version>-win<bits>-setup.exe, made with NSIS (makensis) from
# packaging/windows/installer.nsi: the programs, the demo with its captions, the README and the
# licence (both with CR LF line ends) and the icon. Included by cmake/windows.cmake after the
# programs and the icon are defined.
find_program(VT_MAKENSIS makensis REQUIRED)

set(VT_SETUP_NAME vantorel-${PROJECT_VERSION}-win${VT_WINDOWS_BITS}-setup.exe)
set(VT_SETUP ${CMAKE_BINARY_DIR}/${VT_SETUP_NAME})
set(VT_INSTALLER_FILES ${CMAKE_BINARY_DIR}/installer)
set(VT_NSI ${CMAKE_SOURCE_DIR}/packaging/windows/installer.nsi)
configure_file(${CMAKE_SOURCE_DIR}/assets/windows-readme.txt ${VT_INSTALLER_FILES}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${VT_INSTALLER_FILES}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)

set(VT_INSTALLED_WINDOWS_PROGRAMS vantorel animtool)
set(VT_NSIS_DEFINES)
if(TARGET bmp2png)
  list(APPEND VT_INSTALLED_WINDOWS_PROGRAMS bmp2png)
  list(APPEND VT_NSIS_DEFINES -DBMP2PNG)
endif()

add_custom_command(OUTPUT ${VT_SETUP}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/assets/demo.anim
          ${CMAKE_SOURCE_DIR}/assets/demo_captions.txt ${VT_ICO} ${VT_INSTALLER_FILES}
  COMMAND ${VT_MAKENSIS} -V2 -NOCD -DVERSION=${PROJECT_VERSION} -DBITS=${VT_WINDOWS_BITS}
          -DPROGRAMS=${CMAKE_BINARY_DIR} -DFILES=${VT_INSTALLER_FILES} -DOUTFILE=${VT_SETUP}
          ${VT_NSIS_DEFINES} ${VT_NSI}
  DEPENDS ${VT_INSTALLED_WINDOWS_PROGRAMS} windows_icon ${VT_NSI} ${VT_ICO}
          ${CMAKE_SOURCE_DIR}/assets/demo.anim ${CMAKE_SOURCE_DIR}/assets/demo_captions.txt
          ${VT_INSTALLER_FILES}/README.txt ${VT_INSTALLER_FILES}/LICENSE.txt
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Making ${VT_SETUP_NAME}" VERBATIM)
add_custom_target(windows_installer DEPENDS ${VT_SETUP})

# Tests (64-bit only): the resources read back from the programs, and the installer run under wine
# in a prefix of its own.
if(VANTOREL_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_test(NAME windows_resources
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/windows_resources_test.sh ${CMAKE_BINARY_DIR}
                   ${PROJECT_VERSION} vantorel.exe animtool.exe bmp2png.exe)
  set_tests_properties(windows_resources PROPERTIES TIMEOUT 60 LABELS win64)
  add_test(NAME e2e_installer_win32
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/e2e_installer_win32_test.sh ${CMAKE_BINARY_DIR}
                   ${VT_SETUP_NAME})
  set_tests_properties(e2e_installer_win32 PROPERTIES TIMEOUT 600 LABELS win64 RESOURCE_LOCK x_display)
endif()
