# The simulated host's registration side: module loading, host unknown, description objects.
list(APPEND SIMHOST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/description.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_property_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_component_descriptor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_effect_descriptor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_collection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_unknown.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_personality.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_host.cpp)
