#!/usr/bin/env bash
# Builds the installer examples with Debian's tools and runs each under Wine onto a demo device: tests/installers/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine-env

hwid='ROOT\DRVSETUPDEMO'
examples=examples/installers
work=$PWD/build/installers
cases_per_width=9  # build, MSI sequence, NSIS twice, MSI twice, batch three times
passed=0 failed=0 skipped=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# The example with a word after /s: drvsetup.exe then exits 5, shows no box, touches no device.
failing_variant() {
  sed 's#\(DRVSETUPDEMO"\{0,1\} /s\)#\1 extra#' "$1" >"$2"
  [ "$(diff "$1" "$2" | grep -c '^>')" = 1 ] || { echo "no single drvsetup.exe call in $1" >&2; return 1; }
}

# build WIDTH NSIS_TARGET WIXL_ARCH: stages ok/ and fail/ folders (example, program, INF) and builds them.
build() {
  local width=$1 nsis=$2 wixl=$3 kind dir
  rm -rf "${work:?}/$width"
  for kind in ok fail; do
    dir=$work/$width/$kind
    mkdir -p "$dir"
    cp "build/mingw-$width/drvsetup.exe" examples/demo/drvsetup-demo.inf "$dir/"
    for file in drvsetup.nsi drvsetup.wxs drvsetup.cmd; do
      if [ $kind = ok ]; then cp "$examples/$file" "$dir/"; else failing_variant "$examples/$file" "$dir/$file"; fi
    done
    (cd "$dir" && makensis -V2 -DARCH="$nsis" drvsetup.nsi && wixl -a "$wixl" -o driver-setup.msi drvsetup.wxs) \
      >"$work/$width/build-$kind.log" 2>&1 || { cat "$work/$width/build-$kind.log"; return 1; }
    [ ! -s "$work/$width/build-$kind.log" ] || { cat "$work/$width/build-$kind.log"; return 1; }  # a warning
    msiinfo export "$dir/driver-setup.msi" InstallExecuteSequence >"$dir/sequence.txt"
  done
}

# A deferred action runs only between InstallFiles and InstallFinalize.
sequence_problem() {
  awk -F'\t' '{ seq[$1] = $3 + 0 } END { exit !(seq["InstallFiles"] < seq["InstallDriver"] &&
    seq["InstallDriver"] < seq["InstallFinalize"]) }' "$work/$width/ok/sequence.txt" ||
    echo "InstallDriver is not between InstallFiles and InstallFinalize: $(grep -E '^(InstallFiles|InstallDriver|InstallFinalize)\s' "$work/$width/ok/sequence.txt" | tr '\t\n' ' ;')"
}

# run NAME PROGRAM ARGS...: runs a Windows program of this width; its exit code in $code, output in $log.
run() {
  local name=$1
  shift
  log=$work/$width-$name.log code=0
  timeout -k 5 120 scripts/wine-run "$width" "$@" >"$log" 2>&1 || code=$?
  [ "$code" != 124 ] || echo "$name did not end within 120 s (a box nobody answers?)" >>"$log"
}

# Says what is wrong with the demo device for installed|untouched, or nothing.
device_problem() {
  local state description key
  timeout -k 5 60 scripts/wine-run "$width" "build/mingw-$width/demo_device.exe" query "$hwid" \
    >"$work/device.txt" 2>&1 || { echo "the demo device cannot be queried; "; return; }
  state=$(tr -d '\r' <"$work/device.txt")
  description=$(sed -n 's/^ *description: //p' <<<"$state")
  key=$(sed -n 's/^ *driver key: *//p' <<<"$state")
  if [ "$1" = installed ]; then
    [ "$description" = 'Drvsetup Demo Device' ] || printf "the device's description is '%s'; " "$description"
    grep -qE '^\{104A9255-61CF-477F-BAEA-C230AEDD3511\}\\[0-9]{4}$' <<<"$key" ||
      printf "the device's driver key is '%s'; " "$key"
  else
    [ "$description" = none ] && [ "$key" = none ] || printf "the device changed: '%s', '%s'; " "$description" "$key"
  fi
}

# check NAME EXPECTED_CODES DEVICE_STATE [PROBLEM]: one case's verdict from $code and the device.
check() {
  local problem=${4:-}
  [[ "$code" =~ ^($2)$ ]] || problem+="exit code $code, not $2; "
  problem+=$(device_problem "$3")
  if [ -z "$problem" ]; then pass "$width $1 (exit code $code)"; else fail "$width $1: $problem"; cat "$log"; fi
}

# A fresh copy of the width's prefix, holding an unused demo device, with the staged folders as C:\ok and C:\fail.
fresh_prefix() {
  export WINEPREFIX=$work/wine-$width-$1
  timeout -k 5 60 wineserver -k >/dev/null 2>&1 || true  # one left by an interrupted run
  rm -rf "$WINEPREFIX"
  cp -a "$work/wine-$width" "$WINEPREFIX"
  cp -r "$work/$width/ok" "$work/$width/fail" "$WINEPREFIX/drive_c/"
  cp tests/installers/msiexec.cmd "$WINEPREFIX/drive_c/"
  timeout -k 5 60 scripts/wine-run "$width" "build/mingw-$width/demo_device.exe" register "$hwid" \
    >"$work/register.log" 2>&1 || { cat "$work/register.log"; return 1; }
}

installed_file() { [ -f "$WINEPREFIX/drive_c/ProgramData/Vendor/Drivers/$1" ]; }

nsis_cases() {
  local exe=driver-setup-$1.exe
  run nsis-fail "$WINEPREFIX/drive_c/fail/$exe" /S
  check "NSIS installer, drvsetup.exe fails: installer exits 5" 5 untouched
  run nsis-ok "$WINEPREFIX/drive_c/ok/$exe" /S
  check "NSIS installer installs the driver" 0 installed
}

product_registered() {
  local product
  product=$(msiinfo export "$WINEPREFIX/drive_c/$1/driver-setup.msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
  timeout -k 5 60 scripts/wine-run "$width" reg query \
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" >/dev/null 2>&1
}

# msiexec through a batch file that prints its exit code: a shell sees only its low 8 bits.
run_msiexec() {
  run "msi-$1" cmd /c 'C:\msiexec.cmd' "C:\\$1\\driver-setup.msi" "C:\\msi-$1.log"
  code=$(tr -d '\r' <"$log" | sed -n 's/^msiexec exit code //p')
}

msi_cases() {
  local problem=
  run_msiexec fail
  ! installed_file drvsetup.exe || problem+="drvsetup.exe was not rolled back; "
  ! product_registered fail || problem+="the product stayed registered; "
  # Windows says 1603 (ERROR_INSTALL_FAILURE); Wine's msi says 1627 (ERROR_FUNCTION_FAILED).
  check "MSI, drvsetup.exe fails: the install fails and rolls back" '1603|1627' untouched "$problem"
  problem=
  run_msiexec ok
  installed_file drvsetup-demo.inf || problem+="drvsetup-demo.inf is not installed; "
  product_registered ok || problem+="the product is not registered; "
  check "MSI installs the driver" 0 installed "$problem"
}

batch_cases() {
  local problem=
  rm "$WINEPREFIX/drive_c/ok/drvsetup-demo.inf"
  run batch-no-inf cmd /c 'C:\ok\drvsetup.cmd'
  grep -q '^Could not copy' "$log" || problem="it did not say that the copy failed; "
  check "batch file without the INF beside it: exits 1, runs nothing" 1 untouched "$problem"
  problem=
  cp examples/demo/drvsetup-demo.inf "$WINEPREFIX/drive_c/ok/"
  run batch-fail cmd /c 'C:\fail\drvsetup.cmd'
  grep -q '^Driver installation failed with exit code 5' "$log" || problem="it did not report code 5; "
  check "batch file, drvsetup.exe fails: exits 5" 5 untouched "$problem"
  problem=
  run batch-ok cmd /c 'C:\ok\drvsetup.cmd'
  check "batch file installs the driver" 0 installed
}

# run_width WIDTH NSIS_TARGET WIXL_ARCH: every case of one width.
run_width() {
  local kind before problem
  width=$1
  before=$failed
  if ! build "$1" "$2" "$3"; then fail "$width examples build"; failed=$((failed + cases_per_width - 1)); return; fi
  pass "$width examples build with makensis and wixl, no warning"
  problem=$(sequence_problem)
  if [ -z "$problem" ]; then pass "$width MSI runs InstallDriver between InstallFiles and InstallFinalize"; else fail "$width $problem"; fi
  if ! scripts/wine-prefix "$width" "$work/wine-$width"; then
    fail "$width: no Wine prefix"; failed=$((failed + cases_per_width - 3)); return
  fi
  for kind in nsis msi batch; do
    fresh_prefix "$kind" || { fail "$width $kind: cannot register the demo device"; continue; }
    "${kind}_cases" "$2"
    timeout -k 5 60 wineserver -k >/dev/null 2>&1 || true
  done
  [ "$failed" != "$before" ] || rm -rf "$work/wine-$width"-*  # kept for a look when a case failed
}

[ -x build/mingw-x64/drvsetup.exe ] || { echo "build/mingw-x64 is missing: build the presets first"; exit 1; }
scripts/bootstrap  # set up before the 32-bit probe below, or its answer is wrong
mkdir -p "$work"
export WINEDEBUG=-all
unset WINEDLLOVERRIDES  # the driver update must be Wine's own newdev.dll
if [ -z "${DISPLAY:-}" ]; then  # drvsetup.exe shows its progress dialog
  xvfb=""
  trap '[ -z "$xvfb" ] || kill $xvfb 2>/dev/null || true' EXIT
  start_xvfb 1024x768
fi

if python3 tests/installers/guide_sync.py; then pass "the guide's snippets match the examples"; else fail "the guide's snippets"; fi
run_width x64 amd64 x64
if runs_32bit; then
  run_width x86 x86 x86
else
  echo "The 32-bit installer cases were skipped: $(no_32bit_reason)."
  skipped=$cases_per_width
fi
summary="$passed passed, $failed failed"
[ "$skipped" = 0 ] || summary+=", $skipped skipped"
echo "$summary"
[ "$failed" = 0 ]
