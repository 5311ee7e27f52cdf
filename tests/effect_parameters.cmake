# Effect-parameters base: host slots, object model and the state chunk.
korvex_add_test(effect_parameters_test ${CMAKE_CURRENT_LIST_DIR}/effect_parameters_test.cpp)
