# The editor: base editor and the wrapper that hosts the VST plug-in's own editor.
list(APPEND KORVEX_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/aax_ceffect_gui.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aaxwrapper_ceffect_gui.cpp)
