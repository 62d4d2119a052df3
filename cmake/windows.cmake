# Windows programs, cross-built with MinGW-w64: the Win32 host backend, the player with its WinMain
# entry, animtool, and (64-bit only) the tests that run under wine. Included by the top-level
# CMakeLists.txt in place of the POSIX hosts.
file(GLOB host_win32_src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/win32/*.cpp)
add_library(vt_host_win32 STATIC ${host_win32_src})
target_include_directories(vt_host_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(vt_host_win32 PUBLIC opengl32 gdi32 user32 kernel32)

function(vt_link_win32 target)
  target_link_libraries(${target} PRIVATE "$<LINK_GROUP:RESCAN,${VT_LIBS},vt_host_win32>"
                        opengl32 gdi32 user32 kernel32)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()

add_executable(vantorel WIN32 player/player_entry_win32.cpp)
vt_link_win32(vantorel)
set_target_properties(vantorel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
