# The gallery example: the same source linked with the desktop host (vantorel-gallery) and with
# the off-screen host (vantorel-gallery-headless). Its fonts are the library's built-in ones.
foreach(gallery_host IN ITEMS headless sdl)
  if(gallery_host STREQUAL "headless")
    set(gallery_target vantorel-gallery-headless)
  elseif(VT_HAVE_SDL)
    set(gallery_target vantorel-gallery)
  else()
    continue()
  endif()
  add_executable(${gallery_target} ${CMAKE_SOURCE_DIR}/examples/gallery.cpp)
  # Linked as any user program: the self-contained library of the backend, public headers only.
  target_link_libraries(${gallery_target} PRIVATE Vantorel::${gallery_host} PkgConfig::PNG)
  set_target_properties(${gallery_target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()
