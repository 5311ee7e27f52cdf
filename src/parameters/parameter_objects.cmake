# Parameter objects, their delegates, the parameter manager and the chunk data parser.
list(APPEND KORVEX_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/aax_cparameter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parameter_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_cchunk_data_parser.cpp)
