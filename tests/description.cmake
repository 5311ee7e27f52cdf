# Registration spine: description proxies in-process, and the built module through the simulated host.
korvex_add_test(description_test
  ${CMAKE_CURRENT_LIST_DIR}/description_proxies_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/describe_effect_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registration_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_points_test.cpp)
add_dependencies(description_test korvex_module nomain)
if(TARGET korvex-host)
  if(NOT TARGET nlohmann_json::nlohmann_json)
    find_package(nlohmann_json 3 REQUIRED)
  endif()
  korvex_add_test(korvex_host_describe_test ${CMAKE_CURRENT_LIST_DIR}/korvex_host_describe_test.cpp)
  target_link_libraries(korvex_host_describe_test PRIVATE nlohmann_json::nlohmann_json)
  add_dependencies(korvex_host_describe_test korvex-host)
endif()
