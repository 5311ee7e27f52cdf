# Effect-parameters base: host slots, lifecycle and the "Complete Controls State" chunk.
list(APPEND KORVEX_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/aax_ceffect_parameters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_ceffect_parameters_values.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_ceffect_parameters_chunk.cpp)
