#!/usr/bin/env bash
# Renders the demo song through the module with the simulated host in the Linux build and, under
# Wine, in the Windows build, and prints how far the two renders lie apart.
# Needs both builds (scripts/test.sh default, scripts/test.sh windows).
set -euo pipefail
cd "$(dirname "$0")/.."
song=tools/korvex-host/demo/demo.mid
KORVEX_BUILD_DIR="$PWD/build" build/tests/song_render "$song" build/song.f32 >/dev/null
KORVEX_BUILD_DIR="Z:$PWD/build-windows" build-windows/wine-run.sh build-windows/tests/song_render.exe \
  "Z:$PWD/$song" "Z:$PWD/build-windows/song.f32" >/dev/null
build-windows/wine-run.sh --end
echo -n "Linux vs Windows (Wine): "
build/tests/song_render --compare build/song.f32 build-windows/song.f32
