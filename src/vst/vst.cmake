# The wrapped VST plug-in: loader, per-instance objects and the host callback.
list(APPEND KORVEX_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/vst_interface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/channel_arrays.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vst_callback.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_callback.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vst_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vst_instance.cpp)
