# The simulated host's platform seams: child processes.
add_executable(child_program ${CMAKE_CURRENT_LIST_DIR}/child_program.cpp)
# Without sanitizers: their own fault handlers would turn the crash it is asked for into an exit.
target_compile_options(child_program PRIVATE -Wall -Wextra -Werror)
if(WIN32)
  target_link_options(child_program PRIVATE -static)
endif()
korvex_add_test(system_test ${CMAKE_CURRENT_LIST_DIR}/child_process_test.cpp)
target_compile_definitions(system_test PRIVATE KORVEX_CHILD_PROGRAM="${KORVEX_RUNTIME_BUILD_DIR}/tests/$<TARGET_FILE_NAME:child_program>")
add_dependencies(system_test child_program)
