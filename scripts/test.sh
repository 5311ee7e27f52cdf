#!/usr/bin/env bash
# Builds everything with the given preset (default: "default") and runs every test.
# "windows" cross-builds with mingw-w64 and runs the suites under Wine (the installer's test among
# them), lists what ran and compares the demo song rendered on both systems.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
if [ "$preset" = windows ]; then
  KORVEX_WITH_WINDOWS=1 scripts/install-deps.sh
else
  KORVEX_WITH_REAL_PLUGINS=1 scripts/install-deps.sh
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
if [ "$preset" = windows ]; then
  scripts/gtest-summary.sh build-windows/test-results
  # The demo song through korvex-host on both systems, once the Linux tool is built too.
  if [ -x build/korvex-host ]; then
    scripts/compare-song-render.sh
  else
    echo "song comparison skipped: build the Linux tool first (scripts/test.sh default)"
  fi
fi
