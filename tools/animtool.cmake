# animtool: command-line companion for ANIM files. Links only the ANIM library and libpng, so it
# runs on machines without OpenGL.
add_executable(animtool ${CMAKE_SOURCE_DIR}/tools/animtool.cpp ${CMAKE_SOURCE_DIR}/tools/animtool_posix.cpp)
target_link_libraries(animtool PRIVATE vt_anim PkgConfig::PNG)
target_include_directories(animtool PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(animtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
