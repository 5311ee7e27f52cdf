#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer) and runs each one for a bounded time on a copy of its
# seed corpus. Fails when a target finds anything. Usage: run-fuzz.sh [build-dir] [seconds-per-target]
# KORVEX_FUZZ_SEED fixes libFuzzer's random seed, so a run replays the same inputs in the same order
# (CI does, so that a red run is the code's doing and replays here); without it every run explores
# afresh. KORVEX_FUZZ_TARGETS (names, space-separated) runs only those targets; the host-call target
# drives the module as KORVEX_HOST_PERSONALITY says, and its run then keeps a work folder per personality.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$(pwd)"
build_dir="$(realpath -m "${1:-build-fuzz}")"
seconds="${2:-60}"

cmake --preset fuzz -B "$build_dir" >/dev/null
targets=()
if [ -n "${KORVEX_FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<<"$KORVEX_FUZZ_TARGETS"
else
  for source in fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
cmake --build "$build_dir" --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  seeds="$root/fuzz/corpus/${target%_fuzz}"
  work="$build_dir/fuzz-run/$target${KORVEX_HOST_PERSONALITY:+-${KORVEX_HOST_PERSONALITY//,/+}}"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  # The committed seeds stay as they are; the run grows its own copy.
  [ -d "$seeds" ] && cp -R "$seeds/." "$work/corpus/"
  binary="$(find "$build_dir" -type f -name "$target" -perm -u+x | head -n 1)"
  echo "== $target: ${seconds}s${KORVEX_HOST_PERSONALITY:+, host personality $KORVEX_HOST_PERSONALITY}"
  if ! "$binary" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 ${KORVEX_FUZZ_SEED:+-seed="$KORVEX_FUZZ_SEED"} \
       -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log.txt" 2>&1; then
    echo "!! $target found a fault; log: $work/log.txt, inputs: $work/artifacts/"
    tail -n 40 "$work/log.txt"
    status=1
  elif [ -n "$(ls -A "$work/artifacts")" ]; then
    echo "!! $target left artifacts in $work/artifacts/"
    status=1
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+ +DONE' "$work/log.txt" || true
  fi
done
exit $status
