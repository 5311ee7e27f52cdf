# Module lifetime, registration, effect description and factories: in korvex_core so tests link them;
# only entry_points.cpp (sources.cmake) goes into the shared module itself.
list(APPEND KORVEX_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/module_lifetime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/describe_effect.cpp
  ${CMAKE_CURRENT_LIST_DIR}/factories.cpp
  ${CMAKE_CURRENT_LIST_DIR}/interface_layout.cpp)
