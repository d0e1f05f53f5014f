# The default parameter image "/mnt/usr/Default.par" from the field tables in assets/params/.
file(GLOB PARAM_TABLES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/assets/params/*.txt)
list(SORT PARAM_TABLES)
set(SPLICER_VERSION_DEFAULT_PAR "P1.00" CACHE STRING "default parameter version in the data root")
set(DEFAULT_PAR ${SPLICER_ASSET_ROOT}/mnt/usr/Default.par)
add_custom_command(
  OUTPUT ${DEFAULT_PAR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SPLICER_ASSET_ROOT}/mnt/usr
  COMMAND ${TOOL_gen_default_par} ${DEFAULT_PAR} ${PARAM_TABLES}
  COMMAND ${TOOL_mkupdate} --stamp ${DEFAULT_PAR} ${SPLICER_VERSION_DEFAULT_PAR}
  DEPENDS ${TOOL_gen_default_par} ${TOOL_mkupdate} ${PARAM_TABLES}
  COMMENT "Default parameter image"
  VERBATIM)
add_custom_target(default_par DEPENDS ${DEFAULT_PAR})
add_dependencies(assets default_par)
# The inspector is built with the data so that its tests find it.
if(TARGET par_inspect)
  add_dependencies(assets par_inspect)
endif()
