# The simulated host's editor side: editor objects, view containers and the hand-driven timer.
list(APPEND SIMHOST_SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_editor.cpp)
