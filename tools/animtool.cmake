# animtool: command-line companion for ANIM files. Links only the ANIM library and libpng, so it
# runs on machines without OpenGL. Its argument and PNG handling is a library of its own, which
# the fuzz targets link too.
add_library(vt_animtool STATIC ${CMAKE_SOURCE_DIR}/tools/animtool_args.cpp
            ${CMAKE_SOURCE_DIR}/tools/animtool_io.cpp)
target_link_libraries(vt_animtool PUBLIC Vantorel::portable_static PkgConfig::PNG)
target_include_directories(vt_animtool PUBLIC ${CMAKE_SOURCE_DIR})
add_executable(animtool ${CMAKE_SOURCE_DIR}/tools/animtool.cpp ${CMAKE_SOURCE_DIR}/tools/animtool_raw.cpp)
target_link_libraries(animtool PRIVATE vt_animtool PkgConfig::PNG)
target_include_directories(animtool PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(animtool PRIVATE VANTOREL_VERSION="${PROJECT_VERSION}")
set_target_properties(animtool PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
