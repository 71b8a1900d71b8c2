#!/usr/bin/env bash
# Runs the self-test of one build from the release layout under Wine, as a user runs it on
# Windows, in a fresh prefix; then checks from outside that it ended with 0 and left the INF
# folder and the drivers folder as they were; then once more where nobody can see a box (the
# build's runner.exe starts it on a window station of its own, which has no screen, as a
# service's): tests/wine/selftest_check.sh x86|x64|arm64 LAYOUT
set -euo pipefail
cd "$(dirname "$0")/../.."
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
# Where nobody can see a box: the rows that expect one take the unattended road (no box, the same
# exit code) and say so, and the machine is left as it was. Its rows are read from its report.
runner=$PWD/build/mingw-$arch/runner.exe
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
hidden=build/selftest-hidden-$arch report=$layout/selftest/$arch/selftest-report.txt
printf '"%s"' "$(windows_path "$layout/selftest/$arch/selftest.exe")" >"$hidden.line"
rm -f "$hidden.record" "$report"
timeout -k 5 600 scripts/wine-run "$arch" "$runner" "$(windows_path "$layout/selftest/$arch/selftest.exe")" \
  "$(windows_path "$PWD/$hidden.line")" "$(windows_path "$PWD/$hidden.record")" hidden timeout=570000 \
  >/dev/null 2>&1 || true
tr -d '\r' <"$report" >"$hidden.out" 2>/dev/null || true
sed 's/^/  hidden: /' "$hidden.out"
code=$(grep -oP '^exit\t\K[0-9]+' "$hidden.record" 2>/dev/null || echo "none recorded")
boxes=$(tr -d '\r' <build/selftest-$arch.out | grep -c '^      got: exit code [0-9]*, 1 box(es)' || true)
unattended=$(grep -c '^PASS .*(unattended here: nobody can see a box)$' "$hidden.out" || true)
check "on a window station without a screen the self-test exits 0" "$([ "$code" = 0 ] || echo "exit code $code")"
check "there the $boxes rows that showed a box in the first run pass as unattended, with no box" \
  "$([ "$boxes" -gt 0 ] && [ "$unattended" = "$boxes" ] || echo "$unattended such rows passed")"
check "the INF folder and the drivers folder as they were after both runs" "$(diff <(echo "$before") <(listing) | tr '\n' ' ')"
[ "$bad$rows_failed" != 00 ] || rm -rf "$prefix"
echo "$((rows_passed + ok)) passed, $((rows_failed + bad)) failed, $rows_skipped skipped"
[ "$bad$rows_failed" = 00 ]
