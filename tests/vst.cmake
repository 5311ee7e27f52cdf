# The wrapped VST plug-in and the render path: unit tests, the allocation check and the
# comparison with direct hosting.
korvex_add_test(vst_test vst_loader_test.cpp vst_host_callback_test.cpp vst_library_test.cpp callback_threads_test.cpp)
korvex_add_test(render_test render_callback_test.cpp render_equivalence_test.cpp channel_arrays_test.cpp)
korvex_add_test(render_allocation_test render_allocation_test.cpp)
foreach(plugin recording nomain nullmain korvex_reference)
  if(TARGET ${plugin})
    add_dependencies(vst_test ${plugin})
    add_dependencies(render_test ${plugin})
  endif()
endforeach()
