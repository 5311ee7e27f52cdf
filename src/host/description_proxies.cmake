# Description-side proxies onto the host's collection, descriptors, property maps and services.
list(APPEND KORVEX_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/host_component.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_vproperty_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_vcomponent_descriptor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_veffect_descriptor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_vcollection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_vhost_services.cpp)
