# One place for warnings, visibility and sanitizers; applied per target, never globally.

function(korvex_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor)
  if(KORVEX_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=${KORVEX_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${KORVEX_SANITIZE})
  endif()
  if(WIN32)
    # Every Windows binary carries its own C and C++ runtime: nothing to install beside it, and
    # no runtime DLL shared between a host, the module and a plug-in.
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "STATIC_LIBRARY" AND NOT type STREQUAL "INTERFACE_LIBRARY")
      target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
  endif()
endfunction()

# Shared objects loaded by a host with dlopen: hidden by default, the caller exports what it must.
function(korvex_hidden target)
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden C_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# Refuse undefined symbols when linking a library; PE linkers always do.
function(korvex_no_undefined target)
  if(NOT WIN32)
    target_link_options(${target} PRIVATE -Wl,-z,defs)
  endif()
endfunction()

# A build path as the built programs see it when they run: under Wine the Unix file system is
# drive Z:, so a cross build's programs get "Z:/work/..." instead of "/work/...".
function(korvex_runtime_path out path)
  if(WIN32 AND CMAKE_HOST_UNIX)
    set(${out} "Z:${path}" PARENT_SCOPE)
  else()
    set(${out} "${path}" PARENT_SCOPE)
  endif()
endfunction()
korvex_runtime_path(KORVEX_RUNTIME_BUILD_DIR "${CMAKE_BINARY_DIR}")
korvex_runtime_path(KORVEX_RUNTIME_SOURCE_DIR "${PROJECT_SOURCE_DIR}")

# Test executables: GoogleTest, discovered by CTest. Under an emulator (Wine) each executable is
# one CTest entry: starting a Windows process costs far more than a test case, and discovery at
# build time would need Wine while building.
function(korvex_add_test name)
  add_executable(${name} ${ARGN})
  korvex_defaults(${name})
  target_link_libraries(${name} PRIVATE korvex_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    korvex_runtime_path(results "${KORVEX_TEST_RESULTS}")
    # A program too long for one time limit under Wine (KORVEX_WINE_SHARDS set by its caller) runs
    # as that many entries, each a share of its tests.
    set(shards 1)
    if(KORVEX_WINE_SHARDS)
      set(shards ${KORVEX_WINE_SHARDS})
    endif()
    math(EXPR last "${shards} - 1")
    foreach(shard RANGE ${last})
      set(entry ${name})
      set(environment "KORVEX_BUILD_DIR=${KORVEX_RUNTIME_BUILD_DIR}")
      if(shards GREATER 1)
        set(entry ${name}_${shard})
        list(APPEND environment "GTEST_TOTAL_SHARDS=${shards}" "GTEST_SHARD_INDEX=${shard}")
      endif()
      add_test(NAME ${entry} COMMAND ${name} --gtest_output=xml:${results}/${entry}.xml)
      # One registry for the whole prefix: a program that points the product's value at its own
      # install (nearly every one does) would send another's module to the wrong plug-in.
      set_tests_properties(${entry} PROPERTIES
        ENVIRONMENT "${environment}"
        FIXTURES_REQUIRED wine_prefix
        RESOURCE_LOCK product_registry)
    endforeach()
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "KORVEX_BUILD_DIR=${KORVEX_RUNTIME_BUILD_DIR}")
  endif()
endfunction()
