#!/usr/bin/env bash
# The validation battery as CI runs it: the reference plug-in must pass at level 10; every VST
# plug-in of Debian's dpf-plugins-vst, zam-plugins, dragonfly-reverb-vst and amsynth is surveyed,
# its failures reported (they are the plug-ins' own) but not fatal. JSON, JUnit and HTML reports stay
# in <build>/validate/, with index.html linking every HTML report (plug-ins as rows, tests as columns). Usage: scripts/validate-survey.sh [build dir] ; KORVEX_SURVEY_LEVEL sets the
# survey's level (default 10), KORVEX_SURVEY_JOBS how many plug-ins run at once (default 2),
# KORVEX_SURVEY_TEST_JOBS how many tests of one plug-in run at once (validate -j, default 1). At
# most JOBS x TEST_JOBS test processes run at a time: on a small machine raise one, not both.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
level="${KORVEX_SURVEY_LEVEL:-10}"
jobs="${KORVEX_SURVEY_JOBS:-2}"
test_jobs="${KORVEX_SURVEY_TEST_JOBS:-1}"
out="$build/validate"
host="$build/korvex-host"
mkdir -p "$out"

# The editor tests need a display: without one, a virtual one for the whole survey. One server,
# picking its own free display (two xvfb-run -a at once can race for the same number), that does
# not reset itself each time its last client leaves (between two test processes).
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  display_file="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$display_file" </dev/null >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null; rm -f "$display_file"' EXIT
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] && export DISPLAY=":$(tr -d '\n' <"$display_file")"
fi

echo "-- reference plug-in, level 10, $test_jobs tests at a time"
"$host" validate --level 10 -j "$test_jobs" --json "$out/reference.json" --junit "$out/reference.xml" \
  --html "$out/reference.html" | tee "$out/reference.txt" | tail -1

# Exit code 1 is a verdict (something failed); anything else means the validator itself broke.
survey_one() {
  local plugin="$1" name
  name="$(basename "$plugin" .so)"
  local code=0
  "$host" --vst "$plugin" validate --level "$level" -j "$test_jobs" --json "$out/$name.json" \
    --junit "$out/$name.xml" --html "$out/$name.html" >"$out/$name.txt" 2>"$out/$name.err" || code=$?
  if [ "$code" -gt 1 ] || [ ! -s "$out/$name.json" ] || [ ! -s "$out/$name.xml" ] || [ ! -s "$out/$name.html" ]; then
    echo "validate broke on $plugin (exit code $code):" >&2
    tail -5 "$out/$name.err" >&2
    return 2
  fi
}

mapfile -t plugins < <(dpkg -L dpf-plugins-vst zam-plugins dragonfly-reverb-vst amsynth 2>/dev/null |
                         grep -E '^/usr/lib/(lx)?vst/.*\.so$' | sort)
echo "-- ${#plugins[@]} Debian plug-ins, level $level, $jobs at a time, $test_jobs tests of each at a time"
start=$SECONDS
broken=0
running=0
for plugin in "${plugins[@]}"; do
  survey_one "$plugin" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || broken=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || broken=1
  running=$((running - 1))
done

for plugin in "${plugins[@]}"; do
  name="$(basename "$plugin" .so)"
  # The summary table: one line per test, its name then its result.
  failing="$(awk '$2 == "failed" && $1 !~ /^\[/ {print $1}' "$out/$name.txt" | sort -u | paste -sd' ' -)"
  printf '%-30s %-32s %s\n' "$name" "$(tail -1 "$out/$name.txt")" "${failing:+failed: $failing}"
done
echo "-- survey took $((SECONDS - start)) s"

# The index: every report that was written, the reference first.
reports=("$out/reference.json")
for plugin in "${plugins[@]}"; do
  name="$(basename "$plugin" .so)"
  [ -s "$out/$name.json" ] && reports+=("$out/$name.json")
done
"$host" validate --index "$out/index.html" "${reports[@]}"
echo "-- index of ${#reports[@]} reports: $out/index.html"
# Opened in a real browser where there is one: the page must link every report it was given.
if command -v chromium >/dev/null; then
  profile="$(mktemp -d)"
  dom="$(chromium --headless --no-sandbox --disable-gpu --user-data-dir="$profile" --dump-dom \
           "file://$(realpath "$out/index.html")" 2>/dev/null)"
  rm -rf "$profile"
  for report in "${reports[@]}"; do
    if ! grep -qF "href=\"$(basename "$report" .json).html\"" <<<"$dom"; then
      echo "the index page does not link $(basename "$report" .json).html" >&2
      broken=1
    fi
  done
fi
exit "$broken"
