#!/usr/bin/env bash
# Renders the demo song with the Linux korvex-host and, under Wine, with korvex-host.exe, and
# compares the two WAV files' samples with libsndfile's sndfile-cmp: the script fails unless they
# are bit-identical. Needs both builds (scripts/test.sh default, scripts/test.sh windows).
set -euo pipefail
cd "$(dirname "$0")/.."
song="$PWD/tools/korvex-host/demo/demo.mid"
build/korvex-host render --midi "$song" --out build/song.wav >/dev/null
build-windows/wine-run.sh build-windows/korvex-host.exe render --midi "Z:$song" \
  --out "Z:$PWD/build-windows/song.wav" >/dev/null
build-windows/wine-run.sh --end
echo -n "Linux vs Windows (Wine), the demo song: "
if sndfile-cmp build/song.wav build-windows/song.wav; then
  echo "samples bit-identical ($(sndfile-info build/song.wav | sed -n 's/^Frames *: *//p') frames)"
else
  exit 1
fi
