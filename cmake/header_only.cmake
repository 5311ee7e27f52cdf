# Header-only Debian libraries in a cross build. Their headers are plain C++ and serve any target,
# but their package files would add /usr/include, whose C library headers would shadow mingw's.
# So each gets a folder of its own in the build holding a link to just its headers.
function(korvex_header_only target header_dir)
  if(TARGET ${target} OR NOT IS_DIRECTORY /usr/include/${header_dir})
    return()
  endif()
  set(root ${CMAKE_BINARY_DIR}/header-only/${target})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${header_dir})
    file(CREATE_LINK /usr/include/${header_dir} ${root}/${header_dir} SYMBOLIC)
  endif()
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${target} SYSTEM INTERFACE ${root})
endfunction()

if(CMAKE_CROSSCOMPILING)
  korvex_header_only(CLI11::CLI11 CLI)
  korvex_header_only(nlohmann_json::nlohmann_json nlohmann)
  set(nlohmann_json_FOUND TRUE)
endif()
