# The validation battery: the built korvex-host run over our plug-ins, and the runner's reading of
# how a test process ended. JUnit reports are read with a small reader of our own everywhere and
# checked against the JUnit schema with libxml2 where it exists (Debian has none for mingw).
if(TARGET korvex_validate)
  set(KORVEX_VALIDATE_LIBXML2 OFF)
  if(NOT CMAKE_CROSSCOMPILING)
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(LIBXML2 REQUIRED IMPORTED_TARGET libxml-2.0)
    set(KORVEX_VALIDATE_LIBXML2 ON)
  endif()

  # Under Wine the battery runs about ten times slower: its tests go in four shares.
  set(KORVEX_WINE_SHARDS 4)
  korvex_add_test(validate_test ${CMAKE_CURRENT_LIST_DIR}/validate_test.cpp)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set_tests_properties(validate_test_0 validate_test_1 validate_test_2 validate_test_3 PROPERTIES TIMEOUT 1200)
  endif()
  unset(KORVEX_WINE_SHARDS)
  target_link_libraries(validate_test PRIVATE nlohmann_json::nlohmann_json korvex_display_testing)
  target_compile_definitions(validate_test PRIVATE KORVEX_SOURCE_DIR="${KORVEX_RUNTIME_SOURCE_DIR}")
  add_dependencies(validate_test korvex-host korvex_probe korvex_reference nomain nullmain wellbehaved nanout
                   allocating hanging stereoonly crashing sharedstate lastevents reencode
                   editorhang editorcrash emptychunk locking sleeping filewriting overrunning inputwriting
                   overreading latencylie delayed)

  # Artifact folders replayed, and the HTML reports opened in a headless chromium where there is one.
  korvex_add_test(validate_report_test ${CMAKE_CURRENT_LIST_DIR}/validate_report_test.cpp
                  ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_none.cpp)
  target_link_libraries(validate_report_test PRIVATE korvex_validate korvex_display_testing)
  add_dependencies(validate_report_test korvex-host korvex_probe crashing sharedstate wellbehaved)

  korvex_add_test(validate_probe_test ${CMAKE_CURRENT_LIST_DIR}/validate_probe_test.cpp)
  add_dependencies(validate_probe_test korvex_probe recording nomain nullmain)

  # The allocator korvex-host defines, in a test of its own: it replaces glibc's malloc family, so
  # it exists on Linux alone, and sanitizer builds have none.
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT KORVEX_SANITIZE)
    korvex_add_test(heap_counter_test ${CMAKE_CURRENT_LIST_DIR}/heap_counter_test.cpp
                    ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_glibc.cpp)
  endif()

  # The Windows counter patches import tables; a test program of its own, counting itself too.
  if(WIN32 AND NOT KORVEX_SANITIZE)
    korvex_add_test(heap_counter_win32_test ${CMAKE_CURRENT_LIST_DIR}/heap_counter_win32_test.cpp
                    ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_win32.cpp)
    target_link_libraries(heap_counter_win32_test PRIVATE simhost psapi)
    add_dependencies(heap_counter_win32_test allocating)

    # The blocking-call watch, against a library that makes watched calls of every argument shape.
    korvex_test_plugin(blocking_watch_library ${CMAKE_CURRENT_LIST_DIR}/blocking_watch_library_win32.cpp)
    korvex_add_test(blocking_calls_win32_test ${CMAKE_CURRENT_LIST_DIR}/blocking_calls_win32_test.cpp
                    ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/blocking_calls_win32.cpp
                    ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/blocking_calls.cpp
                    ${PROJECT_SOURCE_DIR}/tools/korvex-host/coff_symbols_win32.cpp)
    target_link_libraries(blocking_calls_win32_test PRIVATE simhost psapi dbghelp)
    add_dependencies(blocking_calls_win32_test blocking_watch_library)
  endif()

  korvex_add_test(validate_runner_test ${CMAKE_CURRENT_LIST_DIR}/validate_runner_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/validate_parts_test.cpp
                  ${CMAKE_CURRENT_LIST_DIR}/validate_report_parts_test.cpp
                  ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_none.cpp
                  ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/blocking_calls_none.cpp)
  target_link_libraries(validate_runner_test PRIVATE korvex_validate korvex_host_midi)

  if(KORVEX_VALIDATE_LIBXML2)
    foreach(test validate_test validate_runner_test)
      target_link_libraries(${test} PRIVATE PkgConfig::LIBXML2)
      target_compile_definitions(${test} PRIVATE KORVEX_HAVE_LIBXML2)
    endforeach()
  endif()
endif()
