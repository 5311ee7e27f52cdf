# korvex-host: the command-line host, built at build/korvex-host. Each command adds its own file here.
if(NOT TARGET CLI11::CLI11)
  find_package(CLI11 CONFIG QUIET)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_package(nlohmann_json 3 REQUIRED)
endif()
if(WIN32)
  set(KORVEX_HOST_PLATFORM win32)
else()
  set(KORVEX_HOST_PLATFORM posix)
endif()

# The validation battery and the fault report: a library of their own, free of libsndfile and
# libpng, so tests link them without either.
set(KORVEX_VALIDATE_DIR ${CMAKE_CURRENT_LIST_DIR}/validate)
add_library(korvex_validate STATIC
  ${CMAKE_CURRENT_LIST_DIR}/fault_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fault_report_${KORVEX_HOST_PLATFORM}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_file.cpp
  ${KORVEX_VALIDATE_DIR}/blocking_calls.cpp
  ${KORVEX_VALIDATE_DIR}/check.cpp
  ${KORVEX_VALIDATE_DIR}/checks.cpp
  ${KORVEX_VALIDATE_DIR}/environment_${KORVEX_HOST_PLATFORM}.cpp
  ${KORVEX_VALIDATE_DIR}/editor_host.cpp
  ${KORVEX_VALIDATE_DIR}/fuzz_editor_steps.cpp
  ${KORVEX_VALIDATE_DIR}/fuzz_runner.cpp
  ${KORVEX_VALIDATE_DIR}/fuzz_sequence.cpp
  ${KORVEX_VALIDATE_DIR}/midi_log.cpp
  ${KORVEX_VALIDATE_DIR}/plugin_parameters.cpp
  ${KORVEX_VALIDATE_DIR}/plugin_state.cpp
  ${KORVEX_VALIDATE_DIR}/render_plan.cpp
  ${KORVEX_VALIDATE_DIR}/render_run.cpp
  ${KORVEX_VALIDATE_DIR}/report.cpp
  ${KORVEX_VALIDATE_DIR}/runner.cpp
  ${KORVEX_VALIDATE_DIR}/session.cpp
  ${KORVEX_VALIDATE_DIR}/signal.cpp
  ${KORVEX_VALIDATE_DIR}/check_load.cpp
  ${KORVEX_VALIDATE_DIR}/check_description.cpp
  ${KORVEX_VALIDATE_DIR}/check_lifecycle_repeat.cpp
  ${KORVEX_VALIDATE_DIR}/check_lifecycle_many.cpp
  ${KORVEX_VALIDATE_DIR}/check_parameters_ids.cpp
  ${KORVEX_VALIDATE_DIR}/check_parameters_steps.cpp
  ${KORVEX_VALIDATE_DIR}/check_parameters_bypass.cpp
  ${KORVEX_VALIDATE_DIR}/check_parameters_automation.cpp
  ${KORVEX_VALIDATE_DIR}/check_parameters_threads.cpp
  ${KORVEX_VALIDATE_DIR}/check_state_roundtrip.cpp
  ${KORVEX_VALIDATE_DIR}/check_state_random.cpp
  ${KORVEX_VALIDATE_DIR}/check_state_damaged.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_finite.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_mono.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_direct.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_rates.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_instances.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_allocation.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_realtime.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_guards.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_latency.cpp
  ${KORVEX_VALIDATE_DIR}/check_render_tail.cpp
  ${KORVEX_VALIDATE_DIR}/response.cpp
  ${KORVEX_VALIDATE_DIR}/check_midi_offsets.cpp
  ${KORVEX_VALIDATE_DIR}/check_midi_dense.cpp
  ${KORVEX_VALIDATE_DIR}/check_midi_notes_off.cpp
  ${KORVEX_VALIDATE_DIR}/check_transport_time.cpp
  ${KORVEX_VALIDATE_DIR}/check_editor_cycle.cpp
  ${KORVEX_VALIDATE_DIR}/check_editor_rendering.cpp
  ${KORVEX_VALIDATE_DIR}/check_timing.cpp
  ${KORVEX_VALIDATE_DIR}/artifacts.cpp
  ${KORVEX_VALIDATE_DIR}/crash_stack.cpp
  ${KORVEX_VALIDATE_DIR}/editor_picture.cpp
  ${KORVEX_VALIDATE_DIR}/html_report.cpp
  ${KORVEX_VALIDATE_DIR}/kept_midi.cpp
  ${KORVEX_VALIDATE_DIR}/probe_log_text.cpp
  ${KORVEX_VALIDATE_DIR}/progress_line.cpp
  ${KORVEX_VALIDATE_DIR}/render_keep.cpp
  ${KORVEX_VALIDATE_DIR}/result_extras.cpp
  ${KORVEX_VALIDATE_DIR}/survey_index.cpp)
if(WIN32)
  # Names for the frames of crash reports and of the blocking-call watch's first call.
  target_sources(korvex_validate PRIVATE ${CMAKE_CURRENT_LIST_DIR}/coff_symbols_win32.cpp)
endif()
korvex_defaults(korvex_validate)
target_include_directories(korvex_validate PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex_validate PUBLIC simhost nlohmann_json::nlohmann_json Threads::Threads)
# A crash leaves a minidump and its stack as text on Windows.
if(WIN32)
  target_link_libraries(korvex_validate PUBLIC dbghelp)
endif()

# The probe the validator puts between the module and the plug-in under test: build/korvex-probe.so.
add_library(korvex_probe MODULE ${KORVEX_VALIDATE_DIR}/probe_plugin.cpp)
korvex_defaults(korvex_probe)
korvex_hidden(korvex_probe)
target_include_directories(korvex_probe PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(korvex_probe PRIVATE simhost)
if(NOT WIN32)
  target_link_options(korvex_probe PRIVATE -Wl,-z,defs)
endif()
set_target_properties(korvex_probe PROPERTIES PREFIX "" OUTPUT_NAME korvex-probe
                                              LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
                                              RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_executable(korvex-host
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_describe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_params.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_editor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_validate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect_session.cpp)
# Heap counting replaces the allocator in this executable itself on glibc, so every library it
# loads calls the counting one; on Windows it points the loaded libraries' heap imports at counting
# forwarders. Sanitizer runtimes own the allocator, so their builds count nothing.
# The blocking-call watch does the same for locks, sleeps and I/O: on glibc the executable exports
# those definitions explicitly, as no library it links asks for most of them; on Windows it points
# the imports at thunks.
if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT KORVEX_SANITIZE)
  target_sources(korvex-host PRIVATE ${KORVEX_VALIDATE_DIR}/heap_counter_glibc.cpp
                                     ${KORVEX_VALIDATE_DIR}/blocking_calls_glibc.cpp)
  target_link_options(korvex-host PRIVATE -Wl,--dynamic-list=${KORVEX_VALIDATE_DIR}/blocking_calls.dynlist)
  target_link_libraries(korvex-host PRIVATE ${CMAKE_DL_LIBS})
elseif(WIN32)
  target_sources(korvex-host PRIVATE ${KORVEX_VALIDATE_DIR}/heap_counter_win32.cpp
                                     ${KORVEX_VALIDATE_DIR}/blocking_calls_win32.cpp)
  target_link_libraries(korvex-host PRIVATE psapi dbghelp)
else()
  target_sources(korvex-host PRIVATE ${KORVEX_VALIDATE_DIR}/heap_counter_none.cpp
                                     ${KORVEX_VALIDATE_DIR}/blocking_calls_none.cpp)
endif()
korvex_defaults(korvex-host)
target_include_directories(korvex-host PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex-host PRIVATE korvex_validate simhost nlohmann_json::nlohmann_json)
add_dependencies(korvex-host korvex_probe)
if(TARGET CLI11::CLI11)
  target_link_libraries(korvex-host PRIVATE CLI11::CLI11)
endif()
set_target_properties(korvex-host PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The tool describes the module this build makes by default.
add_dependencies(korvex-host korvex_module)

# MIDI files and progress for rendering: plain C++, a library of their own so tests can use them.
add_library(korvex_host_midi STATIC
  ${CMAKE_CURRENT_LIST_DIR}/midi_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress.cpp)
korvex_defaults(korvex_host_midi)
target_include_directories(korvex_host_midi PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex-host PRIVATE korvex_host_midi)

# Audio files through libsndfile and window pictures through libpng, on every system: Debian's
# own packages on Linux, and for the mingw-w64 build the same sources built by
# scripts/build-mingw-deps.sh (pkg-config knows only this machine's own libraries).
if(WIN32)
  include(${PROJECT_SOURCE_DIR}/cmake/mingw-deps.cmake)
  set(KORVEX_SNDFILE korvex_mingw_sndfile)
  set(KORVEX_PNG korvex_mingw_png)
else()
  find_package(PkgConfig QUIET)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(SNDFILE QUIET IMPORTED_TARGET sndfile)
  endif()
  if(NOT SNDFILE_FOUND)
    message(FATAL_ERROR "korvex-host needs libsndfile (Debian: libsndfile1-dev)")
  endif()
  find_package(PNG QUIET)
  if(NOT PNG_FOUND)
    message(FATAL_ERROR "korvex-host needs libpng (Debian: libpng-dev)")
  endif()
  set(KORVEX_SNDFILE PkgConfig::SNDFILE)
  set(KORVEX_PNG PNG::PNG)
endif()

add_library(korvex_host_png STATIC ${CMAKE_CURRENT_LIST_DIR}/png_file.cpp)
korvex_defaults(korvex_host_png)
target_include_directories(korvex_host_png PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex_host_png PUBLIC ${KORVEX_PNG} simhost)
target_link_libraries(korvex-host PRIVATE korvex_host_png)

add_library(korvex_host_io STATIC ${CMAKE_CURRENT_LIST_DIR}/audio_io.cpp)
korvex_defaults(korvex_host_io)
target_link_libraries(korvex_host_io PUBLIC ${KORVEX_SNDFILE} korvex_host_midi korvex_host_png)
target_link_libraries(korvex-host PRIVATE korvex_host_io)
target_sources(korvex-host PRIVATE ${CMAKE_CURRENT_LIST_DIR}/command_render.cpp)
# A failing render test keeps its audio as WAV files.
target_sources(korvex_validate PRIVATE ${KORVEX_VALIDATE_DIR}/kept_wave_sndfile.cpp)
target_link_libraries(korvex_validate PUBLIC korvex_host_io korvex_host_png)
# Commands that make instances default to the reference plug-in the build puts beside the module.
if(TARGET korvex_reference)
  add_dependencies(korvex-host korvex_reference)
endif()
