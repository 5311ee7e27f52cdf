# Effect instances of the simulated host and the temporary installs they load their VST library from.
list(APPEND SIMHOST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sim_effect_instance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vst_install.cpp)
