# The wrapper end to end: the built module through the simulated host, with the recording and
# reference plug-ins installed through a temporary registry; plus the wrapper in-process with
# a plug-in that misbehaves.
korvex_add_test(wrapper_test
  ${CMAKE_CURRENT_LIST_DIR}/wrapper_parameters_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wrapper_chunk_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wrapper_render_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wrapper_channels_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wrapper_unit_test.cpp)
target_include_directories(wrapper_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
add_dependencies(wrapper_test korvex_module korvex_reference recording nullchunk nomain)
if(TARGET plugin32)
  add_dependencies(wrapper_test plugin32)
  add_dependencies(vst_test plugin32)
endif()
