# make_demo_anim: draws assets/demo.anim reproducibly. Built with animtool so that the end-to-end
# tests can check that the bundled file is what the generator writes.
add_executable(make_demo_anim ${CMAKE_SOURCE_DIR}/tools/make_demo_anim.cpp)
target_link_libraries(make_demo_anim PRIVATE Vantorel::portable_static)
target_include_directories(make_demo_anim PRIVATE ${CMAKE_SOURCE_DIR})
set_target_properties(make_demo_anim PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
if(TARGET animtool)
  add_dependencies(animtool make_demo_anim)
endif()
