# Language files: every text table assets/lang/NAME.txt ("NUMBER<TAB>TEXT" lines, UTF-8) becomes
# NAME.fnt in the four glyph directories font/{15,19}/{normal,bold}/ of the data root template.
# NAME is the file name of the language table in app/textres.cpp (e.g. English, ChinaSim).
file(GLOB LANG_TABLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/lang/*.txt)
set(LANG_OUTPUTS)
foreach(table ${LANG_TABLES})
  get_filename_component(lang ${table} NAME_WE)
  set(outs)
  foreach(dir 15/normal 15/bold 19/normal 19/bold)
    list(APPEND outs ${SPLICER_ASSET_ROOT}/mnt/font/${dir}/${lang}.fnt)
  endforeach()
  add_custom_command(
    OUTPUT ${outs}
    COMMAND ${TOOL_gen_assets} --language ${table} ${lang}.fnt ${SPLICER_ASSET_ROOT}/mnt "${SPLICER_GLYPH_FONTS_REGULAR}"
            "${SPLICER_GLYPH_FONTS_BOLD}"
    DEPENDS ${TOOL_gen_assets} ${table}
    COMMENT "Language file ${lang}.fnt"
    VERBATIM)
  list(APPEND LANG_OUTPUTS ${outs})
endforeach()
add_custom_target(language_assets DEPENDS ${LANG_OUTPUTS})
add_dependencies(assets language_assets)
