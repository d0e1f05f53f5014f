# The installed images of the unit's flash, each with its version trailer, so that the update
# screen compares real versions: "/mnt/boot.bin", "/mnt/image.bin", "/mnt/appmain", "/mnt/chip.bin",
# "/mnt/linuxcom" (Default.par is stamped where it is generated). What the boot loader, kernel,
# FPGA image and communication daemon hold is opaque to the unit: a short text stands for each.
set(SPLICER_VERSION_BOOT "B1.02" CACHE STRING "boot loader version in the data root")
set(SPLICER_VERSION_IMAGE "K3.10" CACHE STRING "kernel image version in the data root")
set(SPLICER_VERSION_APP "1.19" CACHE STRING "application version in the data root")
set(SPLICER_VERSION_CHIP "F2.05" CACHE STRING "FPGA image version in the data root")
set(SPLICER_VERSION_LINUXCOM "L1.03" CACHE STRING "communication daemon version in the data root")
set(INSTALLED_IMAGES)
foreach(pair "boot.bin;BOOT;boot loader" "image.bin;IMAGE;kernel image" "appmain;APP;main application"
             "chip.bin;CHIP;FPGA image" "linuxcom;LINUXCOM;communication daemon")
  list(GET pair 0 file)
  list(GET pair 1 key)
  list(GET pair 2 what)
  set(out ${SPLICER_ASSET_ROOT}/mnt/${file})
  set(seed ${CMAKE_CURRENT_BINARY_DIR}/installed/${file})
  file(WRITE ${seed} "${what} of the simulated unit\n")
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SPLICER_ASSET_ROOT}/mnt
    COMMAND ${CMAKE_COMMAND} -E copy ${seed} ${out}
    COMMAND ${TOOL_mkupdate} --stamp ${out} ${SPLICER_VERSION_${key}}
    DEPENDS ${TOOL_mkupdate} ${seed}
    COMMENT "Installed image ${file}"
    VERBATIM)
  list(APPEND INSTALLED_IMAGES ${out})
endforeach()
# The microcontroller's firmware as the flasher takes it (an Intel HEX file: here only its end record).
set(MCU_HEX ${SPLICER_ASSET_ROOT}/mnt/usr/mcu.hex)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/installed/mcu.hex ":00000001FF\n")
add_custom_command(
  OUTPUT ${MCU_HEX}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SPLICER_ASSET_ROOT}/mnt/usr
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_BINARY_DIR}/installed/mcu.hex ${MCU_HEX}
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/installed/mcu.hex
  COMMENT "Microcontroller firmware"
  VERBATIM)
list(APPEND INSTALLED_IMAGES ${MCU_HEX})
add_custom_target(installed_images DEPENDS ${INSTALLED_IMAGES})
add_dependencies(assets installed_images)
