# Benchmarks of the render path against direct hosting.
add_executable(render_bench ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp)
korvex_defaults(render_bench)
target_link_libraries(render_bench PRIVATE korvex_core simhost benchmark::benchmark)
if(TARGET korvex_reference)
  add_dependencies(render_bench korvex_reference)
endif()

# The plug-in's host requests on the calling thread, alone and beside another thread, and from
# inside the render call through the built module.
add_executable(host_callback_bench ${CMAKE_CURRENT_LIST_DIR}/host_callback_bench.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/render_call_requests.cpp)
korvex_defaults(host_callback_bench)
target_include_directories(host_callback_bench PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(host_callback_bench PRIVATE korvex_core simhost benchmark::benchmark Threads::Threads)
add_dependencies(host_callback_bench korvex_module recording)
