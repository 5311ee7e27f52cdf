#!/usr/bin/env bash
# Totals of a folder of GoogleTest XML reports: tests run, failed and skipped, and each skipped
# test with its reason. Usage: gtest-summary.sh FOLDER
set -euo pipefail
folder="$1"
shopt -s nullglob
reports=("$folder"/*.xml)
if [ ${#reports[@]} -eq 0 ]; then
  echo "gtest-summary: no reports in $folder" >&2
  exit 1
fi
awk '
  /<testsuites / {
    match($0, / tests="[0-9]+"/); tests += substr($0, RSTART + 8, RLENGTH - 9)
    match($0, / failures="[0-9]+"/); failures += substr($0, RSTART + 11, RLENGTH - 12)
  }
  /<testcase .*result="skipped"/ {
    match($0, / name="[^"]*"/); name = substr($0, RSTART + 7, RLENGTH - 8)
    match($0, / classname="[^"]*"/); suite = substr($0, RSTART + 12, RLENGTH - 13)
    skipping = suite "." name
  }
  /<skipped message=/ && skipping != "" {
    reason = $0
    sub(/.*&#x0A;/, "", reason); sub(/".*/, "", reason); gsub(/&apos;/, "\047", reason); gsub(/&quot;/, "\"", reason)
    skipped[++count] = skipping ": " reason
    skipping = ""
  }
  END {
    printf "%d tests in %d executables: %d passed, %d failed, %d skipped\n", tests, FILES, tests - failures - count, failures, count
    for (i = 1; i <= count; i++) print "  skipped " skipped[i]
  }
' FILES="${#reports[@]}" "${reports[@]}"
