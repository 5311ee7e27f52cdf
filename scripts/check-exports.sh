#!/usr/bin/env bash
# Fails unless a built module's export table names KORVEX.aaxplugin and exports exactly the
# seven entry points. Usage: check-exports.sh elf|pe MODULE
set -euo pipefail
kind="$1"
module="$2"
expected="ACFCanUnloadNow ACFGetClassFactory ACFGetSDKVersion ACFRegisterComponent ACFRegisterPlugin ACFShutdown ACFStartup"

if [ "$kind" = elf ]; then
  name=$(readelf -d "$module" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
  exports=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
else
  dump=$(x86_64-w64-mingw32-objdump -p "$module")
  name=$(awk '/^Name[ \t]/ {print $NF; exit}' <<< "$dump")
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<< "$dump" | awk '/\[/ && NR > 1 {print $NF}' | sort | tr '\n' ' ' | sed 's/ $//')
fi

if [ "$name" != "KORVEX.aaxplugin" ]; then
  echo "check-exports: $module is named '$name', not KORVEX.aaxplugin" >&2
  exit 1
fi
if [ "$exports" != "$expected" ]; then
  echo "check-exports: $module exports '$exports'" >&2
  exit 1
fi
echo "$module: KORVEX.aaxplugin, exactly the seven entry points"
