# The one-file examples: each source builds twice, as example-NAME with the desktop backend and as
# example-NAME-headless with the off-screen one, into <build>/examples. They are linked exactly as
# a user's program is (Vantorel::sdl or Vantorel::headless, public headers only); the C examples
# are compiled as C99.
set(VT_EXAMPLES first_program.c window_text.c shapes2d.c input.cpp record_anim.cpp screenshot.cpp captions.cpp
    markup.cpp shapes3d.cpp skybox.cpp blur_text3d.cpp)
set(VT_EXAMPLE_TARGETS)
foreach(example_src IN LISTS VT_EXAMPLES)
  get_filename_component(example_name ${example_src} NAME_WE)
  foreach(example_host IN ITEMS headless sdl)
    if(example_host STREQUAL "headless")
      set(example_target example-${example_name}-headless)
    elseif(VT_HAVE_SDL)
      set(example_target example-${example_name})
    else()
      continue()
    endif()
    add_executable(${example_target} ${CMAKE_SOURCE_DIR}/examples/${example_src})
    target_link_libraries(${example_target} PRIVATE Vantorel::${example_host})
    if(example_src MATCHES "\\.c$")
      target_link_libraries(${example_target} PRIVATE m)
      set_target_properties(${example_target} PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON
                            C_EXTENSIONS OFF)
      target_compile_options(${example_target} PRIVATE -pedantic)
    endif()
    set_target_properties(${example_target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                          ${CMAKE_BINARY_DIR}/examples)
    list(APPEND VT_EXAMPLE_TARGETS ${example_target})
  endforeach()
endforeach()
add_custom_target(examples DEPENDS ${VT_EXAMPLE_TARGETS})
