# The wrapped VST plug-in and the render path: unit tests, the allocation check and the
# comparison with direct hosting.
korvex_add_test(vst_test vst_loader_test.cpp vst_host_callback_test.cpp vst_library_test.cpp callback_threads_test.cpp)
korvex_add_test(render_test render_callback_test.cpp render_equivalence_test.cpp channel_arrays_test.cpp)
# The test replaces operator new itself; on Windows the validator's counter (import tables) adds
# the C runtime's and the process heap's calls, elsewhere it counts nothing here.
if(WIN32)
  korvex_add_test(render_allocation_test render_allocation_test.cpp
                  ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_win32.cpp)
  target_link_libraries(render_allocation_test PRIVATE psapi)
else()
  korvex_add_test(render_allocation_test render_allocation_test.cpp
                  ${PROJECT_SOURCE_DIR}/tools/korvex-host/validate/heap_counter_none.cpp)
endif()
foreach(plugin recording nomain nullmain korvex_reference)
  if(TARGET ${plugin})
    add_dependencies(vst_test ${plugin})
    add_dependencies(render_test ${plugin})
  endif()
endforeach()
