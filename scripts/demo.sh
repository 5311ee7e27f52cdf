#!/usr/bin/env bash
# Builds the module, the reference plug-in and korvex-host, then runs the main job: the wrapped
# plug-in's parameters, and a short song rendered through the module into build/demo.wav.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
build/korvex-host describe
echo
build/korvex-host params
echo
build/korvex-host render --midi tools/korvex-host/demo/demo.mid --set gain=0.3 --tail 1 --out build/demo.wav
