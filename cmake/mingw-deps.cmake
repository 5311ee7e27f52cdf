# libsndfile and libpng (with zlib) for the mingw-w64 build: Debian builds neither for mingw, so
# scripts/build-mingw-deps.sh builds them from Debian's source packages into a cache folder outside
# the source tree (KORVEX_MINGW_DEPS, the same default as the script). Imported here as static
# libraries, so korvex-host.exe keeps needing no DLL beside it.
set(KORVEX_MINGW_DEPS_DEFAULT "$ENV{HOME}/.cache/korvex/mingw-w64")
if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
  set(KORVEX_MINGW_DEPS_DEFAULT "$ENV{XDG_CACHE_HOME}/korvex/mingw-w64")
endif()
if(DEFINED ENV{KORVEX_MINGW_DEPS} AND NOT "$ENV{KORVEX_MINGW_DEPS}" STREQUAL "")
  set(KORVEX_MINGW_DEPS_DEFAULT "$ENV{KORVEX_MINGW_DEPS}")
endif()
set(KORVEX_MINGW_DEPS "${KORVEX_MINGW_DEPS_DEFAULT}" CACHE PATH
    "Folder holding libsndfile and libpng built for mingw-w64 by scripts/build-mingw-deps.sh")

set(korvex_deps_root ${KORVEX_MINGW_DEPS}/root)
set(korvex_zlib ${CMAKE_FIND_ROOT_PATH}/lib/libz.a)
foreach(file ${korvex_deps_root}/lib/libsndfile.a ${korvex_deps_root}/lib/libpng16.a ${korvex_zlib})
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "The Windows build needs ${file}: run KORVEX_WITH_WINDOWS=1 scripts/install-deps.sh "
                        "(it builds libsndfile and libpng for mingw-w64 into ${KORVEX_MINGW_DEPS})")
  endif()
endforeach()
# A rebuilt cache (other versions) reconfigures, so the tool never links a stale library.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KORVEX_MINGW_DEPS}/versions)
file(STRINGS ${KORVEX_MINGW_DEPS}/versions korvex_deps_versions REGEX "^built from")
message(STATUS "mingw-w64 libsndfile and libpng: ${korvex_deps_versions}")

add_library(korvex_mingw_zlib STATIC IMPORTED)
set_target_properties(korvex_mingw_zlib PROPERTIES IMPORTED_LOCATION ${korvex_zlib})
add_library(korvex_mingw_sndfile STATIC IMPORTED)
set_target_properties(korvex_mingw_sndfile PROPERTIES IMPORTED_LOCATION ${korvex_deps_root}/lib/libsndfile.a
                                                      INTERFACE_INCLUDE_DIRECTORIES ${korvex_deps_root}/include)
add_library(korvex_mingw_png STATIC IMPORTED)
set_target_properties(korvex_mingw_png PROPERTIES IMPORTED_LOCATION ${korvex_deps_root}/lib/libpng16.a
                                                  INTERFACE_INCLUDE_DIRECTORIES ${korvex_deps_root}/include/libpng16
                                                  INTERFACE_LINK_LIBRARIES korvex_mingw_zlib)
