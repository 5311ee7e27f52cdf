# Run-time host proxies, the owner-tracking mutex and the packet dispatcher.
korvex_add_test(runtime_test host_proxies_test.cpp thread_mutex_test.cpp packet_dispatcher_test.cpp)
