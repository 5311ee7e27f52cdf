# Running the cross-built Windows programs under Wine: CTest and custom commands start them
# through wine-run.sh, which keeps Wine inside this build folder (its own prefix, no dialogs,
# no debug chatter). The wine_prefix fixture makes a fresh prefix at the start of each CTest
# run and ends its wineserver at the end, so no run sees another's registry.
find_program(KORVEX_WINE NAMES wine64 wine)
find_program(KORVEX_WINESERVER NAMES wineserver)
if(NOT KORVEX_WINE OR NOT KORVEX_WINESERVER)
  message(STATUS "Wine not found: the Windows tests are built but not registered with CTest")
  return()
endif()
set(KORVEX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
               @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
