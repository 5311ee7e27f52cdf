# KORVEX-setup.exe, the product's Windows installer, made with NSIS (Debian's nsis) from the module
# and the reference VST library of this build.
find_program(KORVEX_MAKENSIS makensis)
if(NOT KORVEX_MAKENSIS)
  message(STATUS "makensis not found (Debian: nsis): no KORVEX-setup.exe")
  return()
endif()
set(KORVEX_SETUP ${CMAKE_BINARY_DIR}/KORVEX-setup.exe)
add_custom_command(OUTPUT ${KORVEX_SETUP}
  COMMAND ${KORVEX_MAKENSIS} -V2 -NOCD "-DOUTFILE=${KORVEX_SETUP}" "-DMODULE_FILE=$<TARGET_FILE:korvex_module>"
          "-DVST_FILE=$<TARGET_FILE:korvex_reference>" "-DVERSION=1"
          ${CMAKE_CURRENT_LIST_DIR}/korvex.nsi
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/korvex.nsi korvex_module korvex_reference
  COMMENT "Installer KORVEX-setup.exe"
  VERBATIM)
add_custom_target(korvex_installer ALL DEPENDS ${KORVEX_SETUP})
