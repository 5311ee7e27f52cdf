# Run-time proxies onto the host controller, transport, automation and view container.
list(APPEND KORVEX_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/aax_vcontroller.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_vtransport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_vautomation_delegate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aax_vview_container.cpp)
