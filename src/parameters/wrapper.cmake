# The wrapper's effect-parameters object: the VST plug-in's parameters, bypass and chunk.
list(APPEND KORVEX_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/aaxwrapper_parameters.cpp)
