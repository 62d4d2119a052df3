# The Windows SDK zip, vantorel-sdk-win<bits>.zip: the library's install tree (packaging/sdk.cmake:
# include/vantorel/, the MinGW static libraries, the relocatable CMake package under
# lib/cmake/Vantorel and the pkg-config files) with the examples' sources, the licence and a short
# README, in one top folder. Made by `cmake --install` of the development component into a staging
# folder, so the zip holds exactly what an install would. Included by cmake/windows.cmake; the
# 64-bit build also runs tests/win32/e2e_sdk_win32_test.sh, which builds against the zip alone.
include(GNUInstallDirs)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(VT_EXAMPLES_DESTINATION examples)
include(${CMAKE_SOURCE_DIR}/packaging/sdk.cmake)

set(vt_sdk_name vantorel-sdk-win${VT_WINDOWS_BITS})
set(vt_sdk_stage ${CMAKE_BINARY_DIR}/sdk-stage)
set(vt_sdk_texts ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/assets/windows-sdk-readme.txt)
file(MAKE_DIRECTORY ${vt_sdk_stage})
# What the zip copies, so that a changed header or example packs it again.
set(vt_sdk_inputs ${vt_sdk_texts} ${vt_example_sources} ${vt_pc_files}
    ${CMAKE_SOURCE_DIR}/packaging/sdk.cmake)
foreach(header IN LISTS VANTOREL_PUBLIC_HEADERS)
  list(APPEND vt_sdk_inputs ${CMAKE_SOURCE_DIR}/${header})
endforeach()
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/${vt_sdk_name}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${vt_sdk_name} ${CMAKE_BINARY_DIR}/${vt_sdk_name}.zip
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --component development
          --prefix ${vt_sdk_stage}/${vt_sdk_name}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/LICENSE
          ${vt_sdk_stage}/${vt_sdk_name}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/assets/windows-sdk-readme.txt
          ${vt_sdk_stage}/${vt_sdk_name}/README.txt
  # Text files get CR LF line ends (-l) for Windows editors; the libraries stay as they are.
  COMMAND zip -q -X -r ${CMAKE_BINARY_DIR}/${vt_sdk_name}.zip ${vt_sdk_name}
          -x ${vt_sdk_name}/LICENSE.txt ${vt_sdk_name}/README.txt
  COMMAND zip -q -X -l ${CMAKE_BINARY_DIR}/${vt_sdk_name}.zip ${vt_sdk_name}/LICENSE.txt
          ${vt_sdk_name}/README.txt
  DEPENDS ${VT_INSTALLED_LIBRARIES} ${vt_sdk_inputs}
  WORKING_DIRECTORY ${vt_sdk_stage}
  COMMENT "Packing ${vt_sdk_name}.zip")
add_custom_target(windows_sdk_zip DEPENDS ${CMAKE_BINARY_DIR}/${vt_sdk_name}.zip)

if(VANTOREL_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_test(NAME e2e_sdk_win32
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/e2e_sdk_win32_test.sh ${CMAKE_BINARY_DIR}
                   ${CMAKE_SOURCE_DIR} ${VANTOREL_LINUX_BUILD})
  set_tests_properties(e2e_sdk_win32 PROPERTIES TIMEOUT 300 LABELS win64 RESOURCE_LOCK x_display)
endif()
