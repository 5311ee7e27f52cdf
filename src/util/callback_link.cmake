# The links host callbacks follow across threads (editor, controller, parameters).
list(APPEND KORVEX_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/callback_link.cpp)
if(NOT WIN32)
  # Static TLS: a module loaded with dlopen otherwise gets its thread-local block allocated on a
  # thread's first use, and that first use may be a render thread's.
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/callback_link.cpp PROPERTIES COMPILE_OPTIONS -ftls-model=initial-exec)
endif()
