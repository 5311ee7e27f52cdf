# Test plug-ins that each behave in one known way; built into ${CMAKE_BINARY_DIR}/plugins/<name>.so.

function(korvex_test_plugin name)
  add_library(${name} MODULE ${ARGN})
  korvex_defaults(${name})
  korvex_hidden(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".so"
                                           LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins)
  target_link_options(${name} PRIVATE -Wl,-z,defs)
endfunction()

set(KORVEX_FAULTY_DIR ${CMAKE_CURRENT_LIST_DIR})
korvex_test_plugin(recording ${KORVEX_FAULTY_DIR}/recording_plugin.cpp)
target_link_libraries(recording PRIVATE Threads::Threads)
korvex_test_plugin(nomain ${KORVEX_FAULTY_DIR}/nomain.cpp)
korvex_test_plugin(nullmain ${KORVEX_FAULTY_DIR}/nullmain.cpp)
korvex_test_plugin(nullchunk ${KORVEX_FAULTY_DIR}/nullchunk.cpp)
korvex_test_plugin(emptychunk ${KORVEX_FAULTY_DIR}/nullchunk.cpp)
target_compile_definitions(emptychunk PRIVATE KORVEX_EMPTY_CHUNK)
korvex_test_plugin(editorcrash ${KORVEX_FAULTY_DIR}/editorcrash.cpp)
