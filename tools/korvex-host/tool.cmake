# korvex-host: the command-line host, built at build/korvex-host. Each command adds its own file here.
find_package(CLI11 CONFIG QUIET)
find_package(nlohmann_json 3 REQUIRED)
add_executable(korvex-host
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_describe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_render.cpp
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

# Audio, MIDI and PNG files and progress for the commands; a library of their own so tests can use them.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)
find_package(PNG REQUIRED)
add_library(korvex_host_io STATIC
  ${CMAKE_CURRENT_LIST_DIR}/midi_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/audio_io.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress.cpp)
korvex_defaults(korvex_host_io)
target_include_directories(korvex_host_io PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(korvex_host_io PUBLIC PkgConfig::SNDFILE PNG::PNG simhost)
target_link_libraries(korvex-host PRIVATE korvex_host_io)
# Commands that make instances default to the reference plug-in the build puts beside the module.
if(TARGET korvex_reference)
  add_dependencies(korvex-host korvex_reference)
endif()
