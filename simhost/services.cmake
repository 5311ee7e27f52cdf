# Host services of the simulated host: controller, transport, automation, view container, instance unknown.
list(APPEND SIMHOST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/call_recorder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_controller.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_transport_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_automation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_view_container.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_instance_unknown.cpp)
