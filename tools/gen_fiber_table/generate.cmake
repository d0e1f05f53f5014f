# The trained fibre table "/mnt/usr/fiber.bin", learnt from rendered fibres of the four kinds.
target_link_libraries(gen_fiber_table PRIVATE sim)
set(FIBER_TABLE ${SPLICER_ASSET_ROOT}/mnt/usr/fiber.bin)
add_custom_command(
  OUTPUT ${FIBER_TABLE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SPLICER_ASSET_ROOT}/mnt/usr
  COMMAND ${TOOL_gen_fiber_table} ${FIBER_TABLE}
  DEPENDS ${TOOL_gen_fiber_table}
  COMMENT "Trained fibre table"
  VERBATIM)
add_custom_target(fiber_table DEPENDS ${FIBER_TABLE})
add_dependencies(assets fiber_table)
