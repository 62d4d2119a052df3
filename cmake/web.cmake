# The browser build (emcmake cmake -B build-web): the player and the gallery as WebAssembly with
# the web backend (cmake/library.cmake: Vantorel::web, its OpenGL 1.1 layer over WebGL 2), and
# their pages. Included by the top-level CMakeLists.txt in place of the POSIX programs.
# Each program links to a .js loader beside its .wasm: a factory (one fresh instance per run) that
# the page starts with its own arguments; the pages are our own. WebGL 2 and Asyncify come with
# the backend. A single file (the .wasm inlined into the .js) opens from file:// as well.
option(VANTOREL_WEB_SINGLE_FILE "Inline the WebAssembly into each program's .js" OFF)
set(VT_WEB_LINK_OPTIONS -sEXIT_RUNTIME=1 -sMODULARIZE=1 -sINVOKE_RUN=0
    -sEXPORTED_RUNTIME_METHODS=FS,callMain,ccall -sEXPORTED_FUNCTIONS=_main,_web_drop_file
    -sENVIRONMENT=web)
# What the element asks the player besides running it: taps of its keys, the frame on screen and
# a first pass over a file for its extent and length. The player yields to the browser only on
# direct calls (its loop's waits and polls, swaps, message boxes), never inside a function reached
# through a pointer (window procedure, decoder sinks, hooks), so Asyncify need not instrument the
# calls through pointers: the module is a sixth smaller and its code faster. Programs of the
# library's users keep the full instrumentation.
set(VT_WEB_PLAYER_EXPORTS -sEXPORTED_FUNCTIONS=_main,_web_drop_file,_web_tap_key,_web_current_frame,_web_anim_info,_web_anim_width,_web_anim_height
    -sASYNCIFY_IGNORE_INDIRECT=1)
if(VANTOREL_WEB_SINGLE_FILE)
  list(APPEND VT_WEB_LINK_OPTIONS -sSINGLE_FILE=1)
endif()

function(vt_link_web target export_name)
  target_link_libraries(${target} PRIVATE vt_player Vantorel::web_static)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(${target} PRIVATE ${VT_WEB_LINK_OPTIONS} -sEXPORT_NAME=${export_name})
  set_target_properties(${target} PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

add_executable(vantorel ${CMAKE_SOURCE_DIR}/player/player_entry_web.cpp)
vt_link_web(vantorel VantorelPlayer)
target_link_options(vantorel PRIVATE ${VT_WEB_PLAYER_EXPORTS})

# The gallery links as any user program does: the library and the web backend.
add_executable(vantorel-gallery ${CMAKE_SOURCE_DIR}/examples/gallery.cpp)
target_link_libraries(vantorel-gallery PRIVATE Vantorel::web)
target_include_directories(vantorel-gallery PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(vantorel-gallery PRIVATE ${VT_WEB_LINK_OPTIONS} -sEXPORT_NAME=VantorelGallery)
set_target_properties(vantorel-gallery PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Three of the library's examples, each linked as any user program is, and one page for them all:
# example.html?name=first_program (or shapes3d, skybox).
set(VT_WEB_EXAMPLES first_program.c shapes3d.cpp skybox.cpp)
foreach(src IN LISTS VT_WEB_EXAMPLES)
  get_filename_component(name ${src} NAME_WE)
  add_executable(example-${name} ${CMAKE_SOURCE_DIR}/examples/${src})
  target_link_libraries(example-${name} PRIVATE Vantorel::web)
  target_link_options(example-${name} PRIVATE ${VT_WEB_LINK_OPTIONS} -sEXPORT_NAME=VantorelExample)
  set_target_properties(example-${name} PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()

# The layer's test scenes, compared by tests/web/ with the same scenes drawn by OSMesa.
add_executable(gl-scenes ${CMAKE_SOURCE_DIR}/tests/web/gl_scenes.cpp ${CMAKE_SOURCE_DIR}/tests/web/gl_scenes_web.cpp)
target_link_libraries(gl-scenes PRIVATE Vantorel::backend_web)
target_include_directories(gl-scenes PRIVATE ${CMAKE_SOURCE_DIR})
target_link_options(gl-scenes PRIVATE -sMODULARIZE=1 -sEXPORT_NAME=GlScenes -sENVIRONMENT=web)
set_target_properties(gl-scenes PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# zstd's decompressor as a module of its own, which the element fetches only for zstd files
# (web/vantorel_zstd.c): plain WebAssembly, no loader, its memory and three functions exported.
if(VT_ZSTD_DECODER_SOURCES)
  add_executable(vantorel-zstd ${CMAKE_SOURCE_DIR}/web/vantorel_zstd.c ${VT_ZSTD_DECODER_SOURCES})
  target_include_directories(vantorel-zstd SYSTEM PRIVATE ${VT_ZSTD_SOURCE}/lib)
  target_link_options(vantorel-zstd PRIVATE -sSTANDALONE_WASM=1 --no-entry -sALLOW_MEMORY_GROWTH=1
                      -sEXPORTED_FUNCTIONS=_vt_zstd_alloc,_vt_zstd_free,_vt_zstd_unpack)
  set_target_properties(vantorel-zstd PROPERTIES SUFFIX ".wasm" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()

# The pages, their script and the demo beside the programs.
set(VT_WEB_PAGES vantorel.html gallery.html example.html vantorel-page.js vantorel-page.css gl-scenes.html
    embed.html vantorel-player.js favicon.svg)
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

# The element as a classic script, and the single-file build (player, WebAssembly and element in
# one script, for pages opened from file://).
add_executable(vantorel-single ${CMAKE_SOURCE_DIR}/player/player_entry_web.cpp)
vt_link_web(vantorel-single VantorelPlayer)
target_link_options(vantorel-single PRIVATE ${VT_WEB_PLAYER_EXPORTS} -sSINGLE_FILE=1)
set(VT_ELEMENT ${CMAKE_SOURCE_DIR}/web/vantorel-player.js)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/vantorel-player.classic.js
                   COMMAND ${CMAKE_COMMAND} -DIN=${VT_ELEMENT} -DOUT=${CMAKE_BINARY_DIR}/vantorel-player.classic.js
                           -P ${CMAKE_SOURCE_DIR}/cmake/web_element.cmake
                   DEPENDS ${VT_ELEMENT} ${CMAKE_SOURCE_DIR}/cmake/web_element.cmake)
set(VT_ZSTD_MODULE)
if(TARGET vantorel-zstd)
  set(VT_ZSTD_MODULE $<TARGET_FILE:vantorel-zstd>)
endif()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/vantorel-player.single.js
                   COMMAND ${CMAKE_COMMAND} -DIN=${VT_ELEMENT} -DOUT=${CMAKE_BINARY_DIR}/vantorel-player.single.js
                           -DLOADER=$<TARGET_FILE:vantorel-single> -DZSTD=${VT_ZSTD_MODULE}
                           -P ${CMAKE_SOURCE_DIR}/cmake/web_element.cmake
                   DEPENDS ${VT_ELEMENT} ${CMAKE_SOURCE_DIR}/cmake/web_element.cmake vantorel-single
                           ${VT_ZSTD_MODULE})
add_custom_target(web_element ALL DEPENDS ${CMAKE_BINARY_DIR}/vantorel-player.classic.js
                                          ${CMAKE_BINARY_DIR}/vantorel-player.single.js)

# The npm package vantorel-player: the element, the player beside it, types and licence, packed
# by npm into vantorel-player-<version>.tgz.
configure_file(${CMAKE_SOURCE_DIR}/web/package/package.json.in ${CMAKE_BINARY_DIR}/npm/package.json @ONLY)
find_program(VT_NPM npm)
if(VT_NPM)
  set(VT_TARBALL ${CMAKE_BINARY_DIR}/vantorel-player-${PROJECT_VERSION}.tgz)
  add_custom_command(OUTPUT ${VT_TARBALL}
                     COMMAND ${CMAKE_COMMAND} -E copy ${VT_ELEMENT} ${CMAKE_BINARY_DIR}/vantorel-player.classic.js
                             ${CMAKE_BINARY_DIR}/vantorel-player.single.js $<TARGET_FILE:vantorel>
                             ${CMAKE_BINARY_DIR}/vantorel.wasm ${VT_ZSTD_MODULE} ${CMAKE_SOURCE_DIR}/web/package/README.md
                             ${CMAKE_SOURCE_DIR}/web/package/vantorel-player.d.ts ${CMAKE_SOURCE_DIR}/LICENSE
                             ${CMAKE_BINARY_DIR}/npm/
                     COMMAND ${VT_NPM} pack --silent --pack-destination ${CMAKE_BINARY_DIR}
                     WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/npm
                     DEPENDS vantorel web_element ${VT_ZSTD_MODULE} ${VT_ELEMENT} ${CMAKE_SOURCE_DIR}/web/package/README.md
                             ${CMAKE_SOURCE_DIR}/web/package/vantorel-player.d.ts
                             ${CMAKE_SOURCE_DIR}/web/package/package.json.in)
  add_custom_target(web_package ALL DEPENDS ${VT_TARBALL})
endif()
