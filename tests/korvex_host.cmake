# The command-line host: its MIDI file reader, the built korvex-host binary, and real plug-ins
# rendered through the module and directly.
if(TARGET korvex_host_midi)
  korvex_add_test(midi_file_test midi_file_test.cpp)
  target_link_libraries(midi_file_test PRIVATE korvex_host_midi)
endif()
# (Its cases run POSIX builds' plug-ins and Debian's; the Windows tool is tested by the editor,
# validate and installer tests.)
if(TARGET korvex_host_io AND NOT WIN32)
  korvex_add_test(korvex_host_test korvex_host_test.cpp)
  target_link_libraries(korvex_host_test PRIVATE korvex_host_io nlohmann_json::nlohmann_json)
  target_compile_definitions(korvex_host_test PRIVATE KORVEX_SOURCE_DIR="${KORVEX_RUNTIME_SOURCE_DIR}")
  add_dependencies(korvex_host_test korvex-host nanout crashing)
endif()

# Every command's errors, outputs and temporary folders, through the built binary; on every system
# this builds for (Windows under Wine).
if(TARGET korvex-host)
  korvex_add_test(korvex_host_cli_test korvex_host_cli_test.cpp)
  target_link_libraries(korvex_host_cli_test PRIVATE nlohmann_json::nlohmann_json korvex_host_midi)
  add_dependencies(korvex_host_cli_test korvex-host korvex_probe korvex_reference crashing hanging nanout)
endif()

korvex_add_test(real_plugins_test real_plugins_test.cpp)
add_dependencies(real_plugins_test korvex_module)

# Every VST plug-in of the Debian packages the real-plug-in tests use, each through korvex-host
# (Linux libraries: nothing to walk on Windows).
if(NOT WIN32)
  korvex_add_test(plugin_walk_test plugin_walk_test.cpp)
  if(TARGET korvex-host)
    add_dependencies(plugin_walk_test korvex-host)
  endif()
endif()

# The same song through the module on every system this builds for, written raw for comparison
# (scripts/compare-song-render.sh compares the Linux and the Windows build's files).
if(TARGET korvex_host_midi)
  add_executable(song_render song_render.cpp)
  korvex_defaults(song_render)
  target_link_libraries(song_render PRIVATE korvex_test_support korvex_host_midi)
  add_dependencies(song_render korvex_module korvex_reference)
  korvex_runtime_path(song_out "${CMAKE_BINARY_DIR}/song.f32")
  add_test(NAME song_render COMMAND song_render ${KORVEX_RUNTIME_SOURCE_DIR}/tools/korvex-host/demo/demo.mid ${song_out})
  set_tests_properties(song_render PROPERTIES ENVIRONMENT "KORVEX_BUILD_DIR=${KORVEX_RUNTIME_BUILD_DIR}")
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    set_tests_properties(song_render PROPERTIES FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK product_registry)
  endif()
endif()
