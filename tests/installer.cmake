# The product's Windows installer, run under Wine in the test run's own prefix: install, host the
# installed product, uninstall, install over an existing install, uninstall again. It owns the
# prefix's registry key of the product while it runs, so nothing runs beside it.
if(TARGET korvex_installer AND CMAKE_CROSSCOMPILING_EMULATOR)
  add_test(NAME installer_test
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/installer_test.sh ${CMAKE_BINARY_DIR} ${KORVEX_WINEPREFIX}
                   ${PROJECT_SOURCE_DIR})
  set_tests_properties(installer_test PROPERTIES FIXTURES_REQUIRED wine_prefix RUN_SERIAL TRUE TIMEOUT 300)
endif()
