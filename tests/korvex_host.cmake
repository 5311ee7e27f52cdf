# The command-line host: its MIDI file reader, the built korvex-host binary, and real plug-ins
# rendered through the module and directly.
if(TARGET korvex_host_io)
  korvex_add_test(midi_file_test midi_file_test.cpp)
  target_link_libraries(midi_file_test PRIVATE korvex_host_io)

  korvex_add_test(korvex_host_test korvex_host_test.cpp)
  target_link_libraries(korvex_host_test PRIVATE korvex_host_io nlohmann_json::nlohmann_json)
  target_compile_definitions(korvex_host_test PRIVATE KORVEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_dependencies(korvex_host_test korvex-host nanout crashing)
endif()

korvex_add_test(real_plugins_test real_plugins_test.cpp)
add_dependencies(real_plugins_test korvex_module)
