# The built module hosting the chaos plug-in in each of its misbehaviours.
korvex_add_test(chaos_plugin_test ${CMAKE_CURRENT_LIST_DIR}/chaos_plugin_test.cpp)
target_include_directories(chaos_plugin_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
add_dependencies(chaos_plugin_test korvex_module chaos)
