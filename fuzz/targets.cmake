# Fuzz targets. Each compiles the sources it exercises itself, so they carry the coverage
# instrumentation libFuzzer steers by; korvex_core stays uninstrumented for everyone else.
function(korvex_add_fuzzer name)
  add_executable(${name} ${ARGN})
  korvex_defaults(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
                                         -fno-omit-frame-pointer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
endfunction()

korvex_add_fuzzer(chunk_parser_fuzz
  ${CMAKE_CURRENT_LIST_DIR}/chunk_parser_fuzz.cpp
  ${PROJECT_SOURCE_DIR}/src/parameters/aax_cchunk_data_parser.cpp
  ${PROJECT_SOURCE_DIR}/src/util/aax_string.cpp)

korvex_add_fuzzer(midi_file_fuzz
  ${CMAKE_CURRENT_LIST_DIR}/midi_file_fuzz.cpp
  ${PROJECT_SOURCE_DIR}/tools/korvex-host/midi_file.cpp)
target_include_directories(midi_file_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
