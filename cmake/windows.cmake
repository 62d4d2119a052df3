# Windows programs, cross-built with MinGW-w64: the Win32 host backend, the player with its WinMain
# entry, animtool, and (64-bit only) the tests that run under wine. Included by the top-level
# CMakeLists.txt in place of the POSIX hosts.
math(EXPR VT_WINDOWS_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
include(${CMAKE_CURRENT_LIST_DIR}/windows-resources.cmake)

function(vt_link_win32 target)
  target_link_libraries(${target} PRIVATE vt_player Vantorel::win32)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

add_executable(vantorel WIN32 player/player_entry_win32.cpp)
vt_link_win32(vantorel)
set_target_properties(vantorel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
vt_windows_resources(vantorel "Vantorel animation player")

# --- tests under wine (64-bit only: this machine runs no 32-bit Windows programs) -----------------
# GoogleTest is built from the sources Debian ships; each program is one CTest test run through
# CMAKE_CROSSCOMPILING_EMULATOR, so a program that fails to start fails its test.
if(VANTOREL_TESTS AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  enable_testing()
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  add_library(vt_test_util_win32 STATIC ${CMAKE_SOURCE_DIR}/tests/win32/test_util_win32.cpp)
  target_include_directories(vt_test_util_win32 PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(vt_test_util_win32 PUBLIC gtest)
  target_compile_definitions(vt_test_util_win32 PUBLIC
    VANTOREL_BIN_DIR="${CMAKE_BINARY_DIR}" VANTOREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

  # Unit tests that need neither a window, nor other programs, nor PNG files, nor POSIX calls.
  set(VT_WIN32_UNIT_TESTS anim_decode anim_encode anim_palette support_dyn_array
      gfx_clock gfx_shell_state)
  set(VT_WIN32_TESTS)
  foreach(name IN LISTS VT_WIN32_UNIT_TESTS)
    list(APPEND VT_WIN32_TESTS ${CMAKE_SOURCE_DIR}/tests/${name}_test.cpp)
  endforeach()
  file(GLOB win32_test_src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win32/*_test.cpp)
  list(APPEND VT_WIN32_TESTS ${win32_test_src})
  foreach(src IN LISTS VT_WIN32_TESTS)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE vt_test_util_win32 gtest_main)
    vt_link_win32(${name})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 120 LABELS win64
                         FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")
    if(name MATCHES "window")
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK x_display)  # windows must not overlap
    endif()
  endforeach()

  # The real player under wine: started from a shell script, so a program that does not start
  # fails on its exit status.
  set(VANTOREL_LINUX_BUILD "" CACHE PATH "Linux build whose headless player gives the reference help text")
  add_test(NAME e2e_player_win32
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/win32/e2e_player_win32_test.sh ${CMAKE_BINARY_DIR}
                   ${CMAKE_SOURCE_DIR} ${VANTOREL_LINUX_BUILD})
  set_tests_properties(e2e_player_win32 PROPERTIES TIMEOUT 300 LABELS win64 RESOURCE_LOCK x_display)
endif()

# animtool with the system's image codecs instead of libpng.
add_executable(animtool ${CMAKE_SOURCE_DIR}/tools/animtool.cpp ${CMAKE_SOURCE_DIR}/tools/animtool_args.cpp
               ${CMAKE_SOURCE_DIR}/tools/animtool_io_win32.cpp ${CMAKE_SOURCE_DIR}/tools/animtool_raw.cpp)
target_link_libraries(animtool PRIVATE Vantorel::portable_static windowscodecs ole32 uuid)
target_compile_definitions(animtool PRIVATE VANTOREL_VERSION="${PROJECT_VERSION}")
target_include_directories(animtool PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(animtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
vt_windows_resources(animtool "Vantorel animation tool")

# bmp2png, which the player runs on its screenshots, with the same system codecs as animtool.
add_executable(bmp2png ${CMAKE_SOURCE_DIR}/tools/bmp2png.cpp ${CMAKE_SOURCE_DIR}/tools/bmp_header.cpp
               ${CMAKE_SOURCE_DIR}/tools/animtool_io_win32.cpp)
target_link_libraries(bmp2png PRIVATE Vantorel::portable_static windowscodecs ole32 uuid)
target_include_directories(bmp2png PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(bmp2png PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
vt_windows_resources(bmp2png "Vantorel screenshot converter")
include(${CMAKE_CURRENT_LIST_DIR}/windows-installer.cmake)

# The download: the programs, the demo with its captions, a short README and the licence (the
# texts with CR LF line ends).
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/vantorel-win${VT_WINDOWS_BITS}.zip
  COMMAND ${CMAKE_COMMAND} -E rm -f vantorel-win${VT_WINDOWS_BITS}.zip
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/assets/windows-readme.txt README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/LICENSE LICENSE.txt
  COMMAND zip -q -X -j vantorel-win${VT_WINDOWS_BITS}.zip $<TARGET_FILE:vantorel>
          $<TARGET_FILE:animtool> $<TARGET_FILE:bmp2png> ${CMAKE_SOURCE_DIR}/assets/demo.anim
          ${CMAKE_SOURCE_DIR}/assets/demo_captions.txt
  COMMAND zip -q -X -j -l vantorel-win${VT_WINDOWS_BITS}.zip README.txt LICENSE.txt
  DEPENDS vantorel animtool bmp2png ${CMAKE_SOURCE_DIR}/assets/windows-readme.txt ${CMAKE_SOURCE_DIR}/LICENSE
          ${CMAKE_SOURCE_DIR}/assets/demo.anim ${CMAKE_SOURCE_DIR}/assets/demo_captions.txt
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Packing vantorel-win${VT_WINDOWS_BITS}.zip")
add_custom_target(windows_zip DEPENDS ${CMAKE_BINARY_DIR}/vantorel-win${VT_WINDOWS_BITS}.zip)

include(${CMAKE_SOURCE_DIR}/cmake/windows-sdk.cmake)  # the SDK zip and its test
