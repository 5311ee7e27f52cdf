# Our VST 2.4 plug-ins hosted directly: the reference plug-in and the faulty/recording ones.
korvex_add_test(plugins_test
  ${CMAKE_CURRENT_LIST_DIR}/reference_plugin_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/faulty_plugins_test.cpp)
target_include_directories(plugins_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
add_dependencies(plugins_test korvex_reference recording nomain nullmain nullchunk emptychunk)
