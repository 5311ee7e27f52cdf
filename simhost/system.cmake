# The simulated host's own platform seams: loading libraries, the product's registry value and
# running child processes.
if(WIN32)
  set(SIMHOST_PLATFORM win32)
else()
  set(SIMHOST_PLATFORM posix)
endif()
list(APPEND SIMHOST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/dynamic_library_${SIMHOST_PLATFORM}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/product_registry_${SIMHOST_PLATFORM}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/child_process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/child_process_${SIMHOST_PLATFORM}.cpp)
