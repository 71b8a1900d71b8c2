#!/usr/bin/env bash
# Runs the self-test of one build from the release layout under Wine, as a user runs it on
# Windows, in a fresh prefix; then checks from outside that it ended with 0 and left the INF
# folder and the drivers folder as they were: tests/wine/selftest_check.sh x86|x64|arm64 LAYOUT
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env
arch=$1 layout=$2
prefix=$PWD/build/wine-selftest-$arch
export WINEPREFIX=$prefix WINEDEBUG=-all
unset WINEDLLOVERRIDES DRVSETUP_LOG DRVSETUP_RESTART_EXIT_CODE DRVSETUP_NO_DEVICE_EXIT_CODE
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix"
scripts/wine-prefix "$arch" "$prefix" >/dev/null || { echo "FAIL selftest $arch: no Wine prefix"; echo "0 passed, 1 failed"; exit 1; }
listing() { (cd "$prefix/drive_c/windows" && ls inf system32/drivers | sort); }
# self_test FOLDER OUT: the self-test of the release laid out in FOLDER, its rows in OUT, its exit code in $code.
self_test() {
  code=0
  timeout -k 5 600 scripts/wine-run "$arch" "$1/selftest/$arch/selftest.exe" >"$2" 2>/dev/null || code=$?
}
before=$(listing)
self_test "$layout" build/selftest-$arch.out
tr -d '\r' <build/selftest-$arch.out
summary=$(tr -d '\r' <build/selftest-$arch.out | grep -oE '^[0-9]+ passed, [0-9]+ failed, [0-9]+ skipped' | tail -n 1)
[ -n "$summary" ] || summary="0 passed, 1 failed, 0 skipped"
read -r rows_passed _ rows_failed _ rows_skipped _ <<<"${summary//,/}"
# Two rows of our own, from outside the prefix.
ok=0 bad=0
check() { if [ -z "$2" ]; then echo "ok   selftest $arch: $1"; ok=$((ok + 1)); else echo "FAIL selftest $arch: $1: $2"; bad=$((bad + 1)); fi; }
check "the self-test exits 0" "$([ "$code" = 0 ] || echo "exit code $code")"
check "the INF folder and the drivers folder as they were" "$(diff <(echo "$before") <(listing) | tr '\n' ' ')"
# A self-test that cannot fail proves nothing: with drvremove.exe in drvsetup.exe's place, rows
# must fail and the exit code must say so.
broken=build/selftest-broken-$arch
rm -rf "$broken" && cp -r "$layout" "$broken" && cp "$broken/$arch/drvremove.exe" "$broken/$arch/drvsetup.exe"
rm -f "$broken"/selftest/*/selftest-report.txt
self_test "$broken" build/selftest-broken-$arch.out
wrong=$(tr -d '\r' <build/selftest-broken-$arch.out | grep -c '^FAIL' || true)
check "with drvremove.exe as drvsetup.exe, rows fail and the exit code is 1" \
  "$([ "$code" = 1 ] && [ "$wrong" -ge 10 ] || echo "exit code $code, $wrong rows failed")"
rm -rf "$broken"
[ "$bad$rows_failed" != 00 ] || rm -rf "$prefix"
echo "$((rows_passed + ok)) passed, $((rows_failed + bad)) failed, $rows_skipped skipped"
[ "$bad$rows_failed" = 00 ]
