# bmp2png: converts the player's BMP screenshots to PNG (the screenshot code runs it after saving).
add_executable(bmp2png ${CMAKE_SOURCE_DIR}/tools/bmp2png.cpp ${CMAKE_SOURCE_DIR}/tools/bmp_to_png.cpp
               ${CMAKE_SOURCE_DIR}/tools/bmp_header.cpp)
target_link_libraries(bmp2png PRIVATE PkgConfig::PNG)
target_include_directories(bmp2png PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(bmp2png PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
