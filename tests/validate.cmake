# The validation battery: the built korvex-host run over our plug-ins (reports checked against a
# JUnit schema with libxml2), and the runner's reading of how a test process ended.
# Not on Windows: Debian has no libxml2 for mingw, and these tests drive the tool with POSIX
# environment calls and Linux plug-in builds; the battery itself is built there and runs.
if(TARGET korvex_validate AND NOT WIN32)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
  korvex_add_test(validate_test ${CMAKE_CURRENT_LIST_DIR}/validate_test.cpp)
  target_link_libraries(validate_test PRIVATE PkgConfig::LIBXML2 nlohmann_json::nlohmann_json korvex_display_testing)
  target_compile_definitions(validate_test PRIVATE KORVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(validate_test korvex-host korvex_probe korvex_reference nomain nullmain wellbehaved nanout
                   allocating hanging stereoonly crashing sharedstate lastevents reencode)

  korvex_add_test(validate_probe_test ${CMAKE_CURRENT_LIST_DIR}/validate_probe_test.cpp)
  target_link_libraries(validate_probe_test PRIVATE ${CMAKE_DL_LIBS})
  add_dependencies(validate_probe_test korvex_probe recording nomain nullmain)

  # The allocator korvex-host defines, in a test of its own; sanitizer builds have none.
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT KORVEX_SANITIZE)
    korvex_add_test(heap_counter_test ${CMAKE_CURRENT_LIST_DIR}/heap_counter_test.cpp
                    ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_glibc.cpp)
  endif()

  korvex_add_test(validate_runner_test ${CMAKE_CURRENT_LIST_DIR}/validate_runner_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/validate_parts_test.cpp
                  ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_none.cpp)
  target_link_libraries(validate_runner_test PRIVATE korvex_validate PkgConfig::LIBXML2)
endif()
