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

# The host-call fuzz target loads a module and a chaos plug-in of its own, built from the same
# sources with coverage and the sanitizers, into build-fuzz/fuzz-host/. Their sanitizer and
# coverage symbols come from the fuzzer executable, so they link without -z defs.
set(KORVEX_FUZZ_HOST_DIR ${CMAKE_BINARY_DIR}/fuzz-host)
function(korvex_fuzz_instrument target)
  korvex_defaults(${target})
  korvex_hidden(${target})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                                           -fno-omit-frame-pointer)
  target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${KORVEX_FUZZ_HOST_DIR} PREFIX "")
endfunction()

get_target_property(korvex_fuzz_core_sources korvex_core SOURCES)
get_target_property(korvex_fuzz_entry_sources korvex_module SOURCES)
add_library(korvex_fuzz_module SHARED ${korvex_fuzz_core_sources} ${korvex_fuzz_entry_sources})
korvex_fuzz_instrument(korvex_fuzz_module)
target_link_libraries(korvex_fuzz_module PRIVATE ${CMAKE_DL_LIBS} Threads::Threads)
set_target_properties(korvex_fuzz_module PROPERTIES OUTPUT_NAME KORVEX SUFFIX ".aaxplugin" NO_SONAME ON)
target_link_options(korvex_fuzz_module PRIVATE -Wl,-soname,KORVEX.aaxplugin
                    -Wl,--version-script=${PROJECT_SOURCE_DIR}/src/module/exports.map)

add_library(korvex_fuzz_chaos MODULE ${PROJECT_SOURCE_DIR}/plugins/faulty/chaos.cpp)
korvex_fuzz_instrument(korvex_fuzz_chaos)
target_link_libraries(korvex_fuzz_chaos PRIVATE Threads::Threads)
set_target_properties(korvex_fuzz_chaos PROPERTIES OUTPUT_NAME chaos SUFFIX ".so")

korvex_add_fuzzer(host_calls_fuzz ${CMAKE_CURRENT_LIST_DIR}/host_calls_fuzz.cpp)
target_include_directories(host_calls_fuzz PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(host_calls_fuzz PRIVATE simhost korvex_core)
target_compile_definitions(host_calls_fuzz PRIVATE KORVEX_FUZZ_HOST_DIR="${KORVEX_FUZZ_HOST_DIR}")
add_dependencies(host_calls_fuzz korvex_fuzz_module korvex_fuzz_chaos)
