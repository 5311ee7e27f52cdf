#!/usr/bin/env bash
# Builds the module, the reference plug-in and korvex-host, then runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
build/korvex-host describe
