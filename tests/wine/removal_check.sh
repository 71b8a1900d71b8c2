#!/usr/bin/env bash
# Checks drvremove.exe on a real install under Wine: the demo package installed by drvsetup.exe with
# Wine's own newdev.dll, then removed; a second removal; an INF never installed; a package staged
# with the no-device code: tests/wine/removal_check.sh x86|x64|arm64
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/windows-run
arch=$1 root=$PWD bin=$PWD/build/mingw-$1
prefix=build/wine-removal-$arch
export WINEPREFIX=$PWD/$prefix WINEDEBUG=-all
unset WINEDLLOVERRIDES DRVSETUP_RESTART_EXIT_CODE DRVSETUP_NO_DEVICE_EXIT_CODE
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
infs=$prefix/drive_c/windows/inf demo=$prefix/drive_c/demo
system32=$prefix/drive_c/windows/system32
passed=0 failed=0

run() { timeout -k 5 120 "$root/scripts/wine-run" "$arch" "$@" >/dev/null 2>&1; }
# drvsetup.exe and drvremove.exe, their exit codes as an installer reads them.
program() { windows_run "$arch" "$@" >/dev/null; }
# remove LABEL [ARGUMENT...]: drvremove.exe on the demo INF; its exit code in $code, its log in $log.
remove() {
  rm -f "$demo/drvremove.log"
  code=0
  DRVSETUP_LOG='C:\demo\drvremove.log' program "$bin/drvremove.exe" "${2:-C:\\demo\\drvsetup-demo.inf}" "${@:3}" || code=$?
  log=$(tr -d '\r' <"$demo/drvremove.log" 2>/dev/null || echo "(no log)")
  [ "$code" != 125 ] || log+=$'\n'"no exit code came back: $windows_trace"
}
store() { ls "$infs" | sort; }
# verdict WHAT PROBLEM: an empty PROBLEM passes; a failed one shows the run's log.
verdict() {
  if [ -z "$2" ]; then echo "ok   removal $arch: $1"; passed=$((passed + 1)); return; fi
  echo "FAIL removal $arch: $1: $2"
  sed 's/^/     /' <<<"$log"
  failed=$((failed + 1))
}
stand_in() { cp "$bin/newdev_stub.dll" "$system32/newdev.dll"; export WINEDLLOVERRIDES=newdev=n; }
wine_own() { cp "$root/$prefix.newdev.dll" "$system32/newdev.dll"; unset WINEDLLOVERRIDES; }

wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix"
scripts/wine-prefix "$arch" "$prefix" >/dev/null || { echo "FAIL removal $arch: no Wine prefix"; echo "0 passed, 5 failed"; exit 1; }
cp "$system32/newdev.dll" "$prefix.newdev.dll"
mkdir -p "$demo" && cp examples/demo/drvsetup-demo.{inf,cat,sys} "$demo/"
run "$bin/demo_device.exe" register 'ROOT\DRVSETUPDEMO' || echo "could not register the demo device"
code=0
program "$bin/drvsetup.exe" 'C:\demo\drvsetup-demo.inf' 'ROOT\DRVSETUPDEMO' /s || code=$?
installed=$(store | grep -i '^drvsetup-demo\.' | tr '\n' ' ')
echo "     installed with drvsetup.exe (exit code $code); in C:\\windows\\inf: $installed"

# Wine's SetupUninstallOEMInfA says TRUE and deletes nothing unless forced: never reported as removed.
remove "Wine's own road"
problem=""
[ "$code" = 5 ] || problem="exit code $code, not 5; "
grep -q '^removal: calling SetupUninstallOEMInfA with \[drvsetup-demo.inf\]' <<<"$log" || problem+="not SetupUninstallOEMInfA on the published name; "
grep -q 'is still in the driver store: the package was not removed$' <<<"$log" || problem+="the log does not say the copy is still there; "
[ -f "$infs/drvsetup-demo.inf" ] || problem+="the copy is gone; "
verdict "installed, then Wine's own removal: exit code 5, the copy still there, and the log says so" "$problem"

stand_in
rm -f "$demo/stub.log"
DRVSETUP_STUB_LOG='C:\demo\stub.log' DRVSETUP_STUB_REBOOT=0 remove "the stand-in" 'C:\demo\drvsetup-demo.inf' /s
problem=""
[ "$code" = 0 ] || problem="exit code $code, not 0; "
grep -qiF 'C:\\windows\\inf\\drvsetup-demo.inf' "$demo/stub.log" 2>/dev/null || problem+="DiUninstallDriverA did not get the published INF; "
[ ! -e "$infs/drvsetup-demo.inf" ] && [ ! -e "$infs/drvsetup-demo.pnf" ] || problem+="drvsetup-demo.inf or .pnf is still in C:\\windows\\inf; "
verdict "installed, then removed with the stand-in DiUninstallDriverA: exit code 0, the INF and its .pnf gone" "$problem"

before=$(store)
remove "again"
problem=""
[ "$code" = 0 ] || problem="exit code $code, not 0; "
[ "$(store)" = "$before" ] || problem+="C:\\windows\\inf changed; "
grep -q '^removal: no copy of this package is in the driver store' <<<"$log" || problem+="the log does not say none was there; "
verdict "a second removal: exit code 0, nothing changed" "$problem"

sed 's/^; The demo driver package/; Another package/' examples/demo/drvsetup-demo.inf >"$demo/other.inf"
remove "never installed" 'C:\demo\other.inf'
problem=""
[ "$code" = 0 ] || problem="exit code $code, not 0; "
[ "$(store)" = "$before" ] || problem+="C:\\windows\\inf changed: $(diff <(echo "$before") <(store) | tr '\n' ' '); "
verdict "an INF never installed: exit code 0, nothing staged" "$problem"

# The stand-in's update finds no device; the package goes to the store for a device plugged in later.
DRVSETUP_STUB_RESULT=0 DRVSETUP_STUB_ERROR=E000020B DRVSETUP_NO_DEVICE_EXIT_CODE=3011 \
  program "$bin/drvsetup.exe" 'C:\demo\drvsetup-demo.inf' 'ROOT\DRVSETUPDEMO' || true
staged=$windows_code
remove "staged"
problem=""
[ "$staged" = 3011 ] || problem="drvsetup.exe exited with ${staged:-no exit code}, not 3011; "
[ "$code" = 0 ] || problem+="exit code $code, not 0; "
[ ! -e "$infs/drvsetup-demo.inf" ] || problem+="drvsetup-demo.inf is still in C:\\windows\\inf; "
verdict "a package staged with the no-device code, then removed: exit code 0, gone" "$problem"
wine_own
wineserver -k >/dev/null 2>&1 || true
[ "$failed" != 0 ] || rm -rf "$prefix" "$prefix.newdev.dll"
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
