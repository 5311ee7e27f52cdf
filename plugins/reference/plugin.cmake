# The reference VST 2.4 plug-in, standing in for the product's library: build/VST64/KORVEX.dll.
set(KORVEX_REFERENCE_DIR ${CMAKE_CURRENT_LIST_DIR})
# The editor's window-system seam: Xlib on Linux, GDI on Windows.
if(WIN32)
  set(KORVEX_REFERENCE_VIEW win32)
else()
  set(KORVEX_REFERENCE_VIEW x11)
  find_package(X11 REQUIRED)
endif()
add_library(korvex_reference MODULE
  ${KORVEX_REFERENCE_DIR}/editor_layout.cpp
  ${KORVEX_REFERENCE_DIR}/editor_panel.cpp
  ${KORVEX_REFERENCE_DIR}/editor_state.cpp
  ${KORVEX_REFERENCE_DIR}/editor_view_${KORVEX_REFERENCE_VIEW}.cpp
  ${KORVEX_REFERENCE_DIR}/parameters.cpp
  ${KORVEX_REFERENCE_DIR}/reference_entry.cpp
  ${KORVEX_REFERENCE_DIR}/reference_plugin.cpp
  ${KORVEX_REFERENCE_DIR}/state_chunk.cpp
  ${KORVEX_REFERENCE_DIR}/state_variable_filter.cpp
  ${KORVEX_REFERENCE_DIR}/synth.cpp
  ${KORVEX_REFERENCE_DIR}/synth_voice.cpp
  ${KORVEX_REFERENCE_DIR}/tempo_delay.cpp)
korvex_defaults(korvex_reference)
korvex_hidden(korvex_reference)
target_include_directories(korvex_reference PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
korvex_no_undefined(korvex_reference)
if(WIN32)
  target_link_libraries(korvex_reference PRIVATE user32 gdi32)
else()
  target_link_libraries(korvex_reference PRIVATE m X11::X11)
endif()
set_target_properties(korvex_reference PROPERTIES PREFIX "" OUTPUT_NAME KORVEX SUFFIX ".dll"
                                                  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/VST64)
