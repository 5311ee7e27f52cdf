# korvex-host: the command-line host, built at build/korvex-host. Each command adds its own file here.
if(NOT TARGET CLI11::CLI11)
  find_package(CLI11 CONFIG QUIET)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_package(nlohmann_json 3 REQUIRED)
endif()
add_executable(korvex-host
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_describe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_params.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_editor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/effect_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fault_report.cpp)
if(WIN32)
  target_sources(korvex-host PRIVATE ${CMAKE_CURRENT_LIST_DIR}/fault_report_win32.cpp)
else()
  target_sources(korvex-host PRIVATE ${CMAKE_CURRENT_LIST_DIR}/fault_report_posix.cpp)
endif()
korvex_defaults(korvex-host)
target_include_directories(korvex-host PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex-host PRIVATE simhost nlohmann_json::nlohmann_json)
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

# Audio files need libsndfile; where it cannot be had (Debian packages none for mingw) the render
# command says so instead of writing a file format by hand.
# (pkg-config knows only this machine's own libraries, so a cross build does not ask it.)
if(NOT CMAKE_CROSSCOMPILING)
  find_package(PkgConfig QUIET)
endif()
if(PKG_CONFIG_FOUND)
  pkg_check_modules(SNDFILE QUIET IMPORTED_TARGET sndfile)
endif()
if(NOT WIN32 AND NOT SNDFILE_FOUND)
  message(FATAL_ERROR "korvex-host needs libsndfile (Debian: libsndfile1-dev)")
endif()
if(SNDFILE_FOUND)
  add_library(korvex_host_io STATIC ${CMAKE_CURRENT_LIST_DIR}/audio_io.cpp)
  korvex_defaults(korvex_host_io)
  target_link_libraries(korvex_host_io PUBLIC PkgConfig::SNDFILE korvex_host_midi)
  target_link_libraries(korvex-host PRIVATE korvex_host_io)
  target_sources(korvex-host PRIVATE ${CMAKE_CURRENT_LIST_DIR}/command_render.cpp)
else()
  target_sources(korvex-host PRIVATE ${CMAKE_CURRENT_LIST_DIR}/command_render_unavailable.cpp)
endif()
# Commands that make instances default to the reference plug-in the build puts beside the module.
if(TARGET korvex_reference)
  add_dependencies(korvex-host korvex_reference)
endif()
