# Threads: the built module under concurrent render, host main-thread and plug-in calls. Bounded in
# time (KORVEX_STRESS_SECONDS); meant above all for the tsan preset.
korvex_add_test(concurrency_test ${CMAKE_CURRENT_LIST_DIR}/concurrency_test.cpp)
target_include_directories(concurrency_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
add_dependencies(concurrency_test korvex_module recording)
# Host orders and plug-in declarations the plain simulated host never makes.
korvex_add_test(host_orders_test ${CMAKE_CURRENT_LIST_DIR}/host_orders_test.cpp)
target_include_directories(host_orders_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
add_dependencies(host_orders_test korvex_module recording)
# Render calls on fresh threads with their heap calls counted: by the allocator korvex-host defines
# on glibc (it replaces the malloc family, so sanitizer builds, whose runtimes own it, have none),
# through the libraries' heap imports on Windows.
if(WIN32)
  set(korvex_render_heap_count ${CMAKE_CURRENT_LIST_DIR}/render_heap_count_win32.cpp)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT KORVEX_SANITIZE)
  set(korvex_render_heap_count ${CMAKE_CURRENT_LIST_DIR}/render_heap_count_glibc.cpp
                               ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_glibc.cpp)
endif()
if(korvex_render_heap_count)
  korvex_add_test(fresh_render_threads_test ${CMAKE_CURRENT_LIST_DIR}/fresh_render_threads_test.cpp
                  ${korvex_render_heap_count})
  target_include_directories(fresh_render_threads_test PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
  add_dependencies(fresh_render_threads_test korvex_module recording allocating)
endif()
