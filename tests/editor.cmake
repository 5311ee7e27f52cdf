# The editor: the built module's editor driven through the simulated host, plus the in-process checks
# of what the host cannot see (the change hook and the host callback's editor link).
korvex_add_test(editor_test
  ${CMAKE_CURRENT_LIST_DIR}/editor_messages_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_lifetime_test.cpp)
target_include_directories(editor_test PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(editor_test korvex_module korvex_reference recording nomain)
korvex_add_test(editor_unit_test ${CMAKE_CURRENT_LIST_DIR}/editor_refresh_test.cpp)
target_include_directories(editor_unit_test PRIVATE ${PROJECT_SOURCE_DIR})
add_dependencies(editor_unit_test recording)
