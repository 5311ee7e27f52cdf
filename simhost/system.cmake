# The simulated host's own platform seams: loading libraries, the product's registry value,
# running child processes and the native windows a view container hands out.
if(WIN32)
  set(SIMHOST_PLATFORM win32)
  set(SIMHOST_WINDOWS win32)
  set(SIMHOST_PLATFORM_LIBRARIES user32 gdi32)
else()
  set(SIMHOST_PLATFORM posix)
  set(SIMHOST_WINDOWS x11)
  find_package(X11 REQUIRED)
  if(NOT TARGET X11::Xtst)
    message(FATAL_ERROR "libXtst not found: install libxtst-dev (scripts/install-deps.sh)")
  endif()
  set(SIMHOST_PLATFORM_LIBRARIES X11::X11 X11::Xtst)
endif()
list(APPEND SIMHOST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/dynamic_library_${SIMHOST_PLATFORM}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/product_registry_${SIMHOST_PLATFORM}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/child_process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/temporary_paths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/child_process_${SIMHOST_PLATFORM}.cpp
  ${CMAKE_CURRENT_LIST_DIR}/native_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/native_window_${SIMHOST_WINDOWS}.cpp)
