# Test plug-ins that each behave in one known way; built into ${CMAKE_BINARY_DIR}/plugins/<name>.so
# (<name>.dll on Windows).

function(korvex_test_plugin name)
  add_library(${name} MODULE ${ARGN})
  korvex_defaults(${name})
  korvex_hidden(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/plugins)
  korvex_no_undefined(${name})
endfunction()

set(KORVEX_FAULTY_DIR ${CMAKE_CURRENT_LIST_DIR})
korvex_test_plugin(recording ${KORVEX_FAULTY_DIR}/recording_plugin.cpp)
target_link_libraries(recording PRIVATE Threads::Threads)
korvex_test_plugin(nomain ${KORVEX_FAULTY_DIR}/nomain.cpp)
korvex_test_plugin(nullmain ${KORVEX_FAULTY_DIR}/nullmain.cpp)
korvex_test_plugin(nullchunk ${KORVEX_FAULTY_DIR}/nullchunk.cpp)
korvex_test_plugin(emptychunk ${KORVEX_FAULTY_DIR}/nullchunk.cpp)
target_compile_definitions(emptychunk PRIVATE KORVEX_EMPTY_CHUNK)
korvex_test_plugin(chaos ${KORVEX_FAULTY_DIR}/chaos.cpp)
target_link_libraries(chaos PRIVATE Threads::Threads)

# plugins/plugin32.dll: a 32-bit DLL exporting "main", made with the i686 mingw-w64 binutils when
# they are there (tests skip without it). The same file serves Linux, where it is just as foreign.
find_program(KORVEX_I686_AS i686-w64-mingw32-as)
find_program(KORVEX_I686_LD i686-w64-mingw32-ld)
if(KORVEX_I686_AS AND KORVEX_I686_LD)
  set(plugin32 ${CMAKE_BINARY_DIR}/plugins/plugin32.dll)
  add_custom_command(OUTPUT ${plugin32}
    COMMAND ${KORVEX_I686_AS} ${KORVEX_FAULTY_DIR}/plugin32.s -o ${CMAKE_CURRENT_BINARY_DIR}/plugin32.o
    COMMAND ${KORVEX_I686_LD} --dll -e _DllMainCRTStartup@12 -o ${plugin32} ${CMAKE_CURRENT_BINARY_DIR}/plugin32.o
    DEPENDS ${KORVEX_FAULTY_DIR}/plugin32.s
    COMMENT "32-bit test DLL plugins/plugin32.dll")
  add_custom_target(plugin32 ALL DEPENDS ${plugin32})
endif()

# One well-behaved plug-in and, from the same source, one build per fault the validator must find.
korvex_test_plugin(wellbehaved ${KORVEX_FAULTY_DIR}/misbehaving_plugin.cpp)
foreach(fault nanout:NAN allocating:ALLOCATE hanging:HANG stereoonly:STEREO_ONLY crashing:CRASH
              sharedstate:SHARED_STATE lastevents:LAST_EVENTS reencode:REENCODE
              editorhang:EDITOR_HANG locking:LOCK sleeping:SLEEP filewriting:FILE_WRITE
              overrunning:OVERRUN inputwriting:INPUT_WRITE overreading:OVERREAD latencylie:LATENCY)
  string(REPLACE ":" ";" parts ${fault})
  list(GET parts 0 name)
  list(GET parts 1 definition)
  korvex_test_plugin(${name} ${KORVEX_FAULTY_DIR}/misbehaving_plugin.cpp)
  target_compile_definitions(${name} PRIVATE KORVEX_FAULT_${definition})
endforeach()
korvex_test_plugin(delayed ${KORVEX_FAULTY_DIR}/misbehaving_plugin.cpp)
target_compile_definitions(delayed PRIVATE KORVEX_FAULT_LATENCY KORVEX_DECLARE_DELAY)
target_link_libraries(locking PRIVATE Threads::Threads)
target_link_libraries(sleeping PRIVATE Threads::Threads)
korvex_test_plugin(editorcrash ${KORVEX_FAULTY_DIR}/editorcrash.cpp)
