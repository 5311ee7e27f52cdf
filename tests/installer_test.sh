#!/usr/bin/env bash
# KORVEX-setup.exe under Wine, in the test run's prefix: a silent install into the default folders,
# korvex-host.exe hosting the installed product through the registry as it stands, the uninstall,
# an install over an existing one, and uninstallers run again or after another install.
#   installer_test.sh BUILD-DIR WINE-PREFIX SOURCE-DIR
set -euo pipefail
build="$1" prefix="$2" source="$3"
scratch="$build/installer-test"
rm -rf "$scratch"
mkdir -p "$scratch"

run() { "$build/wine-run.sh" "$@" </dev/null; }
fail() {
  echo "installer_test: $*" >&2
  exit 1
}
windows() { echo "Z:${1//\//\\}"; }
program_files="$prefix/drive_c/Program Files"
# The value the module reads, from the 64-bit view; empty when there is none.
install_directory() {
  run reg query 'HKLM\Software\TOLM-lab\KORVEX' /v installdirectory /reg:64 2>/dev/null |
    sed -n 's/^ *installdirectory *REG_SZ *//p' | tr -d '\r'
}
uninstall_entry() { run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TOLM-lab KORVEX' /reg:64 >/dev/null 2>&1; }
host() { run "$build/korvex-host.exe" --installed "$@"; }
expect_file() { [ -f "$1" ] || fail "$2: $1 is missing"; }
expect_gone() { [ ! -e "$1" ] || fail "$2: $1 is still there"; }

echo "== silent install into the default folders"
# The run's prefix is shared: a test that crashed while it owned the product's key leaves its value.
if [ -n "$(install_directory)" ]; then
  echo "installer_test: removing the value '$(install_directory)' an earlier test left in the prefix"
  run reg delete 'HKLM\Software\TOLM-lab\KORVEX' /f /reg:64 >/dev/null 2>&1 || true
  [ -z "$(install_directory)" ] || fail "cannot remove the product's registry value left in the prefix"
fi
run "$build/KORVEX-setup.exe" /S || fail "KORVEX-setup.exe /S failed"
folder="$program_files/TOLM-lab/KORVEX"
plugins="$program_files/Common Files/AAX Plug-Ins"
expect_file "$folder/VST64/KORVEX.dll" "install"
expect_file "$plugins/KORVEX.aaxplugin" "install"
expect_file "$folder/uninstall.exe" "install"
cmp -s "$folder/VST64/KORVEX.dll" "$build/VST64/KORVEX.dll" || fail "the installed VST library is not the build's"
cmp -s "$plugins/KORVEX.aaxplugin" "$build/KORVEX.aaxplugin" || fail "the installed module is not the build's"
[ "$(install_directory)" = 'C:\Program Files\TOLM-lab\KORVEX' ] || fail "installdirectory is '$(install_directory)'"
uninstall_entry || fail "no uninstall entry registered"

echo "== korvex-host.exe --installed: describe, params, render through the installed module"
module='C:\Program Files\Common Files\AAX Plug-Ins\KORVEX.aaxplugin'
host --module "$module" describe | grep -q 'effect com.tolm-lab.aax.korvex' || fail "describe through the installed module"
host --module "$module" params | grep -q '"osc_wave"' || fail "params of the installed plug-in"
host --module "$module" render --midi "$(windows "$source/tools/korvex-host/demo/demo.mid")" \
  --out "$(windows "$scratch/installed.wav")" >/dev/null || fail "render through the installed product"
[ -s "$scratch/installed.wav" ] || fail "render wrote no file"
[ "$(install_directory)" = 'C:\Program Files\TOLM-lab\KORVEX' ] || fail "--installed changed the registry"
if host --module "$(windows "$build/KORVEX.aaxplugin")" --vst "$(windows "$build")" describe >/dev/null 2>&1; then
  fail "--installed together with --vst was accepted"
fi

echo "== uninstall: files and value gone"
run "$folder/uninstall.exe" /S || fail "uninstall.exe /S failed"
# The uninstaller runs from a copy of itself, so the one started returns at once.
for _ in $(seq 1 100); do
  [ -e "$folder/uninstall.exe" ] || [ -n "$(install_directory)" ] || break
  sleep 0.3
done
expect_gone "$folder" "uninstall"
expect_gone "$plugins/KORVEX.aaxplugin" "uninstall"
[ -z "$(install_directory)" ] || fail "uninstall left installdirectory"
if uninstall_entry; then fail "uninstall left its entry"; fi

echo "== an install over an existing one replaces it, and keeps what the user made"
first="$scratch/first" second="$scratch/second"
run "$build/KORVEX-setup.exe" /S "/PLUGINDIR=$(windows "$scratch/plugins-1")" "/D=$(windows "$first")" ||
  fail "install into $first"
mkdir -p "$first/presets"
echo mine >"$first/presets/user.txt"
run "$build/KORVEX-setup.exe" /S "/PLUGINDIR=$(windows "$scratch/plugins-2")" "/D=$(windows "$second")" ||
  fail "install over it into $second"
expect_gone "$first/VST64" "install over an existing one"
expect_gone "$first/uninstall.exe" "install over an existing one"
expect_gone "$scratch/plugins-1/KORVEX.aaxplugin" "install over an existing one"
expect_file "$first/presets/user.txt" "install over an existing one"
expect_file "$second/VST64/KORVEX.dll" "install over an existing one"
[ "$(install_directory)" = "$(windows "$second")" ] || fail "installdirectory is '$(install_directory)'"
host --module "$(windows "$scratch/plugins-2/KORVEX.aaxplugin")" params | grep -q '"osc_wave"' ||
  fail "params of the product installed over another"

echo "== uninstall, then the same uninstaller again: harmless"
mkdir -p "$scratch/kept"
cp "$second/uninstall.exe" "$scratch/kept/uninstall.exe"
# _?= runs the copy in place for that folder and waits, as the self-copying uninstaller does not.
run "$scratch/kept/uninstall.exe" /S "_?=$(windows "$second")" || fail "uninstall of $second"
expect_gone "$second" "uninstall"
expect_gone "$scratch/plugins-2/KORVEX.aaxplugin" "uninstall"
[ -z "$(install_directory)" ] || fail "uninstall left installdirectory"
run "$scratch/kept/uninstall.exe" /S "_?=$(windows "$second")" || fail "a second uninstall failed"
expect_file "$first/presets/user.txt" "a second uninstall"

echo "== a stale uninstaller leaves a newer install alone"
third="$scratch/third"
run "$build/KORVEX-setup.exe" /S "/PLUGINDIR=$(windows "$scratch/plugins-3")" "/D=$(windows "$third")" ||
  fail "install into $third"
run "$scratch/kept/uninstall.exe" /S "_?=$(windows "$second")" || fail "the stale uninstaller failed"
[ "$(install_directory)" = "$(windows "$third")" ] || fail "a stale uninstaller removed the current install's value"
expect_file "$scratch/plugins-3/KORVEX.aaxplugin" "a stale uninstaller"
run "$third/uninstall.exe" /S "_?=$(windows "$third")" || fail "uninstall of $third"
[ -z "$(install_directory)" ] || fail "uninstall left installdirectory"
rm -rf "$scratch"
echo "installer_test: passed"
