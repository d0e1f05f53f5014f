# The palette "font/Fore.pal", the four ASCII glyph files and the bitmaps of the manifest
# assets/gui/bitmaps.txt, generated into the data root template.
find_package(Freetype REQUIRED)
target_link_libraries(gen_assets PRIVATE Freetype::Freetype)
set(GUI_MANIFEST ${CMAKE_SOURCE_DIR}/assets/gui/bitmaps.txt)
set(GUI_FONT_DIR /usr/share/fonts/truetype/dejavu)
set(GUI_ASSET_STAMP ${CMAKE_BINARY_DIR}/gen_assets.stamp)
add_custom_command(
  OUTPUT ${GUI_ASSET_STAMP}
  COMMAND ${TOOL_gen_assets} ${SPLICER_ASSET_ROOT}/mnt ${GUI_MANIFEST} ${GUI_FONT_DIR}/DejaVuSans.ttf
          ${GUI_FONT_DIR}/DejaVuSans-Bold.ttf
  COMMAND ${CMAKE_COMMAND} -E touch ${GUI_ASSET_STAMP}
  DEPENDS ${TOOL_gen_assets} ${GUI_MANIFEST}
  COMMENT "Palette, glyph files and bitmaps"
  VERBATIM)
add_custom_target(gui_assets DEPENDS ${GUI_ASSET_STAMP})
add_dependencies(assets gui_assets)

# Language files are made by the same tool from a UTF-8 text table ("NUMBER<TAB>TEXT" lines):
#   gen_assets --language TABLE FILE_NAME ${SPLICER_ASSET_ROOT}/mnt ${SPLICER_GLYPH_FONTS_REGULAR}
#              ${SPLICER_GLYPH_FONTS_BOLD}
# Each font list is tried in order per glyph; the CJK font (package fonts-wqy-microhei) covers
# Chinese, Japanese and Korean.
set(GUI_CJK_FONT /usr/share/fonts/truetype/wqy/wqy-microhei.ttc)
set(SPLICER_GLYPH_FONTS_REGULAR "${GUI_FONT_DIR}/DejaVuSans.ttf,${GUI_CJK_FONT}" CACHE INTERNAL "glyph fonts")
set(SPLICER_GLYPH_FONTS_BOLD "${GUI_FONT_DIR}/DejaVuSans-Bold.ttf,${GUI_CJK_FONT}" CACHE INTERNAL "glyph fonts")
