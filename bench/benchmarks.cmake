# Benchmarks of the render path against direct hosting.
add_executable(render_bench ${CMAKE_CURRENT_LIST_DIR}/render_bench.cpp)
korvex_defaults(render_bench)
target_link_libraries(render_bench PRIVATE korvex_core simhost benchmark::benchmark)
if(TARGET korvex_reference)
  add_dependencies(render_bench korvex_reference)
endif()
