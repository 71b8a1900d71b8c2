#!/usr/bin/env bash
# Checks with Wine's own newdev.dll that the INF named is the one installed: a relative path installs
# the INF in the working directory, not a namesake in the system's INF folder; a path in a folder
# outside the ANSI code page installs that INF: tests/wine/decoy_check.sh x86|x64|arm64
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/windows-run
arch=$1 bin=build/mingw-$1
prefix=build/wine-decoy-$arch
# Wine's ANSI code page is then 1252, which has no Cyrillic letters.
export WINEPREFIX=$PWD/$prefix WINEDEBUG=-all LC_ALL=C.UTF-8
unset WINEDLLOVERRIDES  # Wine's own newdev.dll installs for real
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

fail() { echo "FAIL decoy $arch: $*"; echo "0 passed, 2 failed"; exit 1; }
root=$PWD
run() { timeout -k 5 120 "$root/scripts/wine-run" "$arch" "$@"; }
description() {
  run "$bin/demo_device.exe" query "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^ *description: //p' |
    head -n 1
}

scripts/wine-prefix "$arch" "$prefix" >/dev/null ||
  fail "no Wine prefix"
demo=$prefix/drive_c/demo wide=$prefix/drive_c/Пример
mkdir -p "$demo" "$wide"
# Each INF with the package's other files beside it: without them Wine's update does not end.
cp examples/demo/drvsetup-demo.{inf,cat,sys} "$bin/drvsetup.exe" "$demo/"
sed 's/"Drvsetup Demo Device"/"Decoy Device"/' examples/demo/drvsetup-demo.inf \
  >"$prefix/drive_c/windows/inf/drvsetup-demo.inf"
# A device of its own for the folder outside the code page, and an INF for it alone.
sed -e 's/ROOT\\DRVSETUPDEMO/ROOT\\DRVSETUPWIDE/' -e 's/"Drvsetup Demo Device"/"Wide Path Device"/' \
  examples/demo/drvsetup-demo.inf >"$wide/drvsetup-demo.inf"
cp examples/demo/drvsetup-demo.{cat,sys} "$bin/drvsetup.exe" "$wide/"
bin=$root/$bin

for hwid in 'ROOT\DRVSETUPDEMO' 'ROOT\DRVSETUPWIDE'; do
  run "$bin/demo_device.exe" register "$hwid" >/dev/null || fail "could not register $hwid"
done
code=0 wide_code=0
(cd "$demo" && windows_run "$arch" 'C:\demo\drvsetup.exe' drvsetup-demo.inf 'ROOT\DRVSETUPDEMO' /s) >/dev/null 2>&1 ||
  code=$?
# Wine builds the wide command line from these arguments; its narrow one holds ? for the Cyrillic.
DRVSETUP_LOG='C:\demo\wide.log' \
  windows_run "$arch" 'C:\Пример\drvsetup.exe' 'C:\Пример\drvsetup-demo.inf' 'ROOT\DRVSETUPWIDE' /s >/dev/null 2>&1 ||
  wide_code=$?
wide_log=$(cat "$demo/wide.log" 2>/dev/null || echo "(no log)")
demo_description=$(description 'ROOT\DRVSETUPDEMO')
wide_description=$(description 'ROOT\DRVSETUPWIDE')
wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix"  # the devices and their drivers stay in the prefix: the next run needs a fresh one

# verdict WHAT PROBLEM: an empty PROBLEM passes.
passed=0 failed=0
verdict() {
  if [ -z "$2" ]; then echo "ok   decoy $arch: $1"; passed=$((passed + 1)); return; fi
  echo "FAIL decoy $arch: $2"
  failed=$((failed + 1))
}
problem=""
[ "$code" = 0 ] || problem="drvsetup.exe exited with $code"
[ -n "$problem" ] || [ "$demo_description" = "Drvsetup Demo Device" ] ||
  problem="the device's description is '$demo_description': the INF in C:\\demo was not the one installed"
verdict "drvsetup-demo.inf from the working directory installed, not the namesake in C:\\windows\\inf" "$problem"
problem=""
[ "$wide_code" = 0 ] || problem="drvsetup.exe in C:\\Пример exited with $wide_code"
[ -z "$problem" ] || problem+=$'; its log:\n'"$wide_log"
[ -n "$problem" ] || [ "$wide_description" = "Wide Path Device" ] ||
  problem="the device's description is '$wide_description': the INF in C:\\Пример was not installed"
verdict "C:\\Пример\\drvsetup-demo.inf, in a folder outside the ANSI code page, installed" "$problem"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
