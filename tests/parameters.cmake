# Parameter building blocks: delegates, parameter objects and manager, chunk data parser.
korvex_add_test(parameter_objects_test
  ${CMAKE_CURRENT_LIST_DIR}/taper_display_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parameter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/chunk_parser_test.cpp)
