# The links host callbacks follow across threads (editor, controller, parameters).
list(APPEND KORVEX_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/callback_link.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/retired_objects.cpp)
