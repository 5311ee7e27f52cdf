#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need, when any is missing.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
          libsndfile1-dev libcli11-dev nlohmann-json3-dev libxml2-dev libpng-dev libx11-dev libxtst-dev
          xvfb xauth xfonts-base llvm chromium)
# Windows: the cross compiler, GoogleTest's sources to build with it, Wine to run the result, the
# i686 binutils for the 32-bit test DLL, zlib for mingw and dpkg-dev to unpack the sources of
# libsndfile and libpng (built for mingw below), NSIS for the installer, and sndfile-cmp to compare
# the two systems' renders.
[ "${KORVEX_WITH_WINDOWS:-0}" = 1 ] && packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64
                                                  binutils-mingw-w64-i686 libz-mingw-w64-dev dpkg-dev nsis
                                                  sndfile-programs)
[ "${KORVEX_WITH_REAL_PLUGINS:-0}" = 1 ] && packages+=(dpf-plugins-vst zam-plugins dragonfly-reverb-vst amsynth)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# libsndfile and libpng for mingw-w64, from Debian's source packages, into a cache outside the tree
# (once; later runs only check the versions).
if [ "${KORVEX_WITH_WINDOWS:-0}" = 1 ]; then
  "$(dirname "$0")/build-mingw-deps.sh" >/dev/null
fi
