# make_caption_font: renders the embedded font "caption" (text/caption_font_data.cpp) and the
# same font with Greek letters as glyphs 256..308 (assets/caption_greek.font) from DejaVu Sans
# through FreeType. Built only where FreeType is found; `cmake --build . --target
# caption_font` regenerates both committed files, and a test checks that they still match.
pkg_check_modules(FREETYPE IMPORTED_TARGET freetype2)
if(FREETYPE_FOUND)
  add_executable(make_caption_font tools/make_caption_font.cpp)
  target_link_libraries(make_caption_font PRIVATE PkgConfig::FREETYPE PkgConfig::PNG)
  find_file(DEJAVU_SANS_TTF DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu
            /usr/share/fonts/dejavu /usr/share/fonts/TTF NO_DEFAULT_PATH)
  if(DEJAVU_SANS_TTF)
    add_custom_target(caption_font
      COMMAND make_caption_font ${DEJAVU_SANS_TTF} ${CMAKE_SOURCE_DIR}/text/caption_font_data.cpp
              --greek ${CMAKE_SOURCE_DIR}/assets/caption_greek.font
      COMMENT "Regenerating text/caption_font_data.cpp and assets/caption_greek.font from ${DEJAVU_SANS_TTF}")
  endif()
else()
  message(STATUS "FreeType not found: make_caption_font is not built")
endif()
