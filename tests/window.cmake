# Real windows on a display of the test's own (a private Xvfb on Linux): the simulated host's
# native windows, editors opened in them through the built module, and `korvex-host editor`.
if(WIN32)
  set(KORVEX_DISPLAY_SEAM win32)
else()
  set(KORVEX_DISPLAY_SEAM x11)
endif()
add_library(korvex_display_testing STATIC ${CMAKE_CURRENT_LIST_DIR}/virtual_display_${KORVEX_DISPLAY_SEAM}.cpp
                                          ${PROJECT_SOURCE_DIR}/plugins/reference/editor_layout.cpp)
korvex_defaults(korvex_display_testing)
target_include_directories(korvex_display_testing PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex_display_testing PUBLIC GTest::gtest simhost)

korvex_add_test(window_test
  ${CMAKE_CURRENT_LIST_DIR}/native_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_window_test.cpp)
if(WIN32)
  target_sources(window_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/editor_window_win32_test.cpp
                                     ${CMAKE_CURRENT_LIST_DIR}/mouse_capture_win32.cpp)
endif()
target_include_directories(window_test PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(window_test PRIVATE korvex_display_testing)
add_dependencies(window_test korvex_module korvex_reference recording)

if(TARGET korvex_host_io)
  korvex_add_test(korvex_host_editor_test ${CMAKE_CURRENT_LIST_DIR}/korvex_host_editor_test.cpp
                  ${PROJECT_SOURCE_DIR}/plugins/reference/parameters.cpp)
  target_link_libraries(korvex_host_editor_test PRIVATE korvex_display_testing korvex_host_io)
  add_dependencies(korvex_host_editor_test korvex-host korvex_reference editorcrash)
endif()

# Debian plug-ins' editors. Their OpenGL stack leaks a little at each open, in libraries that are
# unloaded before the leak report can name them; that is not ours to find, so only these tests
# (and the korvex-host they run) go without the leak check. Our own editor path keeps it above.
if(TARGET korvex_host_io AND NOT WIN32)
  add_executable(foreign_editor_test ${CMAKE_CURRENT_LIST_DIR}/foreign_editor_test.cpp)
  korvex_defaults(foreign_editor_test)
  target_include_directories(foreign_editor_test PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(foreign_editor_test PRIVATE korvex_test_support korvex_display_testing korvex_host_io
                                                    GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(foreign_editor_test DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "LSAN_OPTIONS=detect_leaks=0")
  add_dependencies(foreign_editor_test korvex_module korvex-host)
endif()
