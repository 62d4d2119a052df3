# The browser build (emcmake cmake -B build-web): the web host backend with its OpenGL 1.1 layer
# over WebGL 2, the player and the gallery as WebAssembly, and their pages. Included by the
# top-level CMakeLists.txt in place of the POSIX hosts. Each program links to a .js loader (a
# factory function, one fresh instance per run) beside its .wasm; the pages are our own.
file(GLOB host_web_src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/host/web/*.cpp)
add_library(vt_host_web STATIC ${host_web_src} ${CMAKE_SOURCE_DIR}/host/posix/posix_dates.cpp
            ${CMAKE_SOURCE_DIR}/host/posix/posix_drop.cpp)
target_include_directories(vt_host_web PUBLIC ${CMAKE_SOURCE_DIR})

# Asyncify lets the programs sleep and wait for message boxes inside their own loops; a single
# file (the .wasm inlined into the .js) opens from file:// as well as from a server.
option(VANTOREL_WEB_SINGLE_FILE "Inline the WebAssembly into each program's .js" OFF)
set(VT_WEB_LINK_OPTIONS
    -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
    -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -sMODULARIZE=1 -sINVOKE_RUN=0
    -sEXPORTED_RUNTIME_METHODS=FS,callMain,ccall -sEXPORTED_FUNCTIONS=_main,_web_drop_file
    -sENVIRONMENT=web)
if(VANTOREL_WEB_SINGLE_FILE)
  list(APPEND VT_WEB_LINK_OPTIONS -sSINGLE_FILE=1)
endif()

# wasm-ld keeps every archive's symbols in view, so the areas that call each other need no group.
function(vt_link_web target export_name)
  target_link_libraries(${target} PRIVATE ${VT_LIBS} vt_host_web)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(${target} PRIVATE ${VT_WEB_LINK_OPTIONS} -sEXPORT_NAME=${export_name})
  set_target_properties(${target} PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

add_executable(vantorel ${CMAKE_SOURCE_DIR}/player/player_entry_web.cpp)
vt_link_web(vantorel VantorelPlayer)

add_executable(vantorel-gallery ${CMAKE_SOURCE_DIR}/examples/gallery.cpp)
vt_link_web(vantorel-gallery VantorelGallery)
# The gallery reads its fonts from /assets in the in-memory file system.
target_compile_definitions(vantorel-gallery PRIVATE GALLERY_ASSETS="/assets")
target_link_options(vantorel-gallery PRIVATE
                    "--embed-file=${CMAKE_SOURCE_DIR}/assets/caption_greek.font@/assets/caption_greek.font")

# The layer's test scenes, compared by tests/web/ with the same scenes drawn by OSMesa.
add_executable(gl-scenes ${CMAKE_SOURCE_DIR}/tests/web/gl_scenes.cpp ${CMAKE_SOURCE_DIR}/tests/web/gl_scenes_web.cpp)
target_link_libraries(gl-scenes PRIVATE vt_host_web)
target_include_directories(gl-scenes PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(gl-scenes PRIVATE -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2 -sMODULARIZE=1
                    -sEXPORT_NAME=GlScenes -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1)
set_target_properties(gl-scenes PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The pages, their script and the demo beside the programs.
set(VT_WEB_PAGES vantorel.html gallery.html vantorel-page.js vantorel-page.css gl-scenes.html)
set(VT_WEB_PAGE_OUTPUTS)
foreach(page IN LISTS VT_WEB_PAGES)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${page}
                     COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/${page} ${CMAKE_BINARY_DIR}/${page}
                     DEPENDS ${CMAKE_SOURCE_DIR}/web/${page})
  list(APPEND VT_WEB_PAGE_OUTPUTS ${CMAKE_BINARY_DIR}/${page})
endforeach()
foreach(asset IN ITEMS demo.anim demo_captions.txt)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${asset}
                     COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/assets/${asset} ${CMAKE_BINARY_DIR}/${asset}
                     DEPENDS ${CMAKE_SOURCE_DIR}/assets/${asset})
  list(APPEND VT_WEB_PAGE_OUTPUTS ${CMAKE_BINARY_DIR}/${asset})
endforeach()
add_custom_target(web_pages ALL DEPENDS ${VT_WEB_PAGE_OUTPUTS})
