# One place for warnings, visibility and sanitizers; applied per target, never globally.

function(korvex_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor)
  if(KORVEX_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=${KORVEX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${KORVEX_SANITIZE})
  endif()
endfunction()

# Shared objects loaded by a host with dlopen: hidden by default, the caller exports what it must.
function(korvex_hidden target)
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# Test executables: GoogleTest, discovered by CTest.
function(korvex_add_test name)
  add_executable(${name} ${ARGN})
  korvex_defaults(${name})
  target_link_libraries(${name} PRIVATE korvex_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "KORVEX_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()
