# Audio rendering: the render callback.
list(APPEND KORVEX_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/render_callback.cpp)
