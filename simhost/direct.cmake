# Direct hosting of VST 2.4 libraries, the baseline the module's output is compared with.
list(APPEND SIMHOST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/direct_vst_host.cpp)
