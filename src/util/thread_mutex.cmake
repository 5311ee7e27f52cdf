# Owner-tracking mutex, the packet dispatcher's lock.
list(APPEND KORVEX_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/thread_mutex.cpp)
