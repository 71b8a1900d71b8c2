#!/usr/bin/env bash
# Checks that a relative INF path installs the INF that was checked, not a namesake in the
# system's INF folder, with Wine's own newdev.dll: tests/wine/decoy_check.sh x86|x64|arm64
set -euo pipefail
cd "$(dirname "$0")/../.."
arch=$1 bin=build/mingw-$1
prefix=build/wine-decoy-$arch
export WINEPREFIX=$PWD/$prefix WINEDEBUG=-all
unset WINEDLLOVERRIDES  # Wine's own newdev.dll installs for real
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

fail() { echo "FAIL decoy $arch: $*"; echo "0 passed, 1 failed"; exit 1; }
root=$PWD
run() { timeout -k 5 120 "$root/scripts/wine-run" "$arch" "$@"; }

scripts/wine-prefix "$arch" "$prefix" >/dev/null ||
  fail "no Wine prefix"
demo=$prefix/drive_c/demo
mkdir -p "$demo"
cp examples/demo/drvsetup-demo.inf "$bin/drvsetup.exe" "$demo/"
bin=$root/$bin
sed 's/"Drvsetup Demo Device"/"Decoy Device"/' examples/demo/drvsetup-demo.inf \
  >"$prefix/drive_c/windows/inf/drvsetup-demo.inf"

run "$bin/demo_device.exe" register 'ROOT\DRVSETUPDEMO' >/dev/null || fail "could not register the demo device"
code=0
(cd "$demo" && run 'C:\demo\drvsetup.exe' drvsetup-demo.inf 'ROOT\DRVSETUPDEMO' /s) >/dev/null 2>&1 ||
  code=$?
description=$(run "$bin/demo_device.exe" query 'ROOT\DRVSETUPDEMO' 2>/dev/null | tr -d '\r' |
  sed -n 's/^ *description: //p' | head -n 1)
wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix"  # the device and its driver stay in the prefix: the next run needs a fresh one
[ "$code" = 0 ] || fail "drvsetup.exe exited with $code"
[ "$description" = "Drvsetup Demo Device" ] ||
  fail "the device's description is '$description': the INF in C:\\demo was not the one installed"
echo "ok   decoy $arch: drvsetup-demo.inf from the working directory installed, not the namesake in C:\\windows\\inf"
echo "1 passed, 0 failed"
