# Packet dispatcher: parameter values into render-context fields.
list(APPEND KORVEX_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/packet_dispatcher.cpp)
