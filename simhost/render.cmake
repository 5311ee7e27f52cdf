# The simulated host's render side: contexts, transport, MIDI nodes and the batch driver.
list(APPEND SIMHOST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sim_transport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_midi_node.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render_context_builder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/render_driver.cpp)
