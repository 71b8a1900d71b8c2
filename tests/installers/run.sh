#!/usr/bin/env bash
# Builds the installer examples with Debian's tools and runs each under Wine onto a demo device: tests/installers/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/road-probe
source scripts/lib/windows-run

hwid='ROOT\DRVSETUPDEMO'
examples=examples/installers
work=$PWD/build/installers
drivers=ProgramData/VendorDrivers  # the examples' folder, under drive_c
package=(drvsetup-demo.inf drvsetup-demo.cat drvsetup-demo.sys)  # the demo driver package
copied=windows/system32/drivers/drvsetup-demo.sys  # where its INF copies its file, under drive_c
powershell=WindowsPowerShell/v1.0/powershell.exe  # under a system folder
declare -A machine=([x86]=014c [x64]=8664 [arm64]=aa64)  # in the PE header
passed=0 failed=0 skipped=0 runs=0
pass() { echo "PASS: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
# A group of cases that cannot run here counts as one skip: its cases are known only by running them.
skip_group() { echo "Skipped (one count for the group): $1: $2."; skipped=$((skipped + 1)); }

# The example with a word after /s: drvsetup.exe then exits 5, shows no box, touches no device.
failing_variant() {
  sed 's#\(DRVSETUPDEMO"\{0,1\} /s\)#\1 extra#' "$1" >"$2"
  [ "$(diff "$1" "$2" | grep -c '^>')" = 1 ] || { echo "no single drvsetup.exe call in $1" >&2; return 1; }
}

# build WIDTH [WIXL_ARCH]: stages ok/ and fail/ folders (examples, the package in driver/, the three
# builds in x86/, x64/ and arm64/, this width's as drvsetup.exe for the MSI) and builds the x86 NSIS
# installer and the MSI, and in ok/ the MSI's next version.
build() {
  local width=$1 wixl=${2:-} kind dir arch define=()
  [ "$wixl" != x86 ] || define=(-D X86Package)  # the x86 package's launch condition
  rm -rf "${work:?}/$width"
  for kind in ok fail new; do
    dir=$work/$width/$kind
    mkdir -p "$dir"
    cp "build/mingw-$width"/drv{setup,remove}.exe "$dir/"
    mkdir "$dir/driver" && cp "${package[@]/#/examples/demo/}" "$dir/driver/"
    [ $kind != new ] || newer_package "$dir/driver/drvsetup-demo.inf"
    for arch in x86 x64 arm64; do mkdir "$dir/$arch" && cp "build/mingw-$arch"/drv{setup,remove}.exe "$dir/$arch/"; done
    for file in drvsetup.nsi drvsetup.wxs drvsetup.cmd; do
      if [ $kind != fail ]; then cp "$examples/$file" "$dir/"; else failing_variant "$examples/$file" "$dir/$file"; fi
    done
    [ $kind != ok ] || sed 's/ Version="1\.0\.0"/ Version="1.0.1"/' "$dir/drvsetup.wxs" >"$dir/upgrade.wxs"
    [ $kind != ok ] || fails_after_driver "$dir/drvsetup.wxs" >"$dir/failafter.wxs"
    (cd "$dir" && makensis -V2 drvsetup.nsi && { [ -z "$wixl" ] || wixl -a "$wixl" "${define[@]}" -o driver-setup.msi drvsetup.wxs; } &&
      { [ -z "$wixl" ] || [ $kind != ok ] || { wixl -a "$wixl" "${define[@]}" -o driver-setup-1.0.1.msi upgrade.wxs &&
        wixl -a "$wixl" "${define[@]}" -o driver-setup-failafter.msi failafter.wxs; }; }) \
      >"$work/$width/build-$kind.log" 2>&1 || { cat "$work/$width/build-$kind.log"; return 1; }
    [ ! -s "$work/$width/build-$kind.log" ] || { cat "$work/$width/build-$kind.log"; return 1; }  # a warning
    local msi
    for msi in "$dir"/*.msi; do rollback_type "$msi"; done
    [ -z "$wixl" ] || msiinfo export "$dir/driver-setup.msi" InstallExecuteSequence >"$dir/sequence.txt"
    [ -z "$wixl" ] || msiinfo export "$dir/driver-setup.msi" CustomAction >"$dir/actions.txt"
  done
}

# wixl 0.101 builds Execute="rollback" as an immediate action, which runs at once, before the files
# are there: the type WiX's own tools give it (0x100 rollback, 0x400 in the script), set in MSI.
rollback_type() {
  local type
  [ -f "$1" ] || return 0
  type=$(msiinfo export "$1" CustomAction | awk -F'\t' '$1 == "RollbackDriver" { print $2 + 0 }') || return 1
  [ -n "$type" ] && (( (type & 0x500) != 0x500 )) || return 0
  msibuild "$1" -q "UPDATE CustomAction SET Type = $((type | 0x500)) WHERE Action = 'RollbackDriver'"
}

# The demo package, a newer version: DriverVer 2.0.0.0, and its AddReg value says so (Wine writes
# no DriverVersion of its own).
newer_package() {
  sed -i -e 's#^DriverVer   = 01/01/2024,1\.0\.0\.0#DriverVer   = 06/01/2025,2.0.0.0#' \
    -e 's#"drvsetup demo"$#"drvsetup demo 2.0.0.0"#' "$1"
}

# The MSI with one more deferred step after the driver's, which fails: the installation rolls back.
fails_after_driver() {
  sed -e 's#^    <InstallExecuteSequence>#    <CustomAction Id="FailAfterDriver" Property="CMDEXE" ExeCommand="/c exit 1" Execute="deferred" Impersonate="no" Return="check"/>\n&#' \
    -e 's#^    </InstallExecuteSequence>#      <Custom Action="FailAfterDriver" Sequence="4003">NOT Installed</Custom>\n&#' "$1"
}

# Deferred actions run only between InstallInitialize and InstallFinalize: the folder is secured
# and checked before InstallFiles copies into it, and the driver installed after; RollbackDriver
# is a rollback action (0x100) and the removals are deferred (0x400), all not impersonated (0x800).
sequence_problem() {
  local actions=$work/$width/ok/actions.txt
  type_of() { awk -F'\t' -v a="$1" '$1 == a { print $2 + 0 }' "$actions"; }
  (( ($(type_of RollbackDriver) & 0xD00) == 0xD00 && ($(type_of RemoveDriver) & 0xC00) == 0xC00 &&
     ($(type_of RemoveOldDriver) & 0xC00) == 0xC00 )) ||
    { echo "RollbackDriver is not a deferred rollback action, or a removal not deferred, run as the system: $(grep -E '^(Rollback|Remove|RemoveOld)Driver\s' "$actions" | tr '\t\n' ' ;')"; return; }
  awk -F'\t' '{ seq[$1] = $3 + 0 } END { exit !(seq["InstallInitialize"] < seq["SecureDriverDir"] &&
    seq["SecureDriverDir"] < seq["CheckDriverDir"] && seq["CheckDriverDir"] < seq["InstallFiles"] &&
    seq["InstallFiles"] < seq["RollbackDriver"] && seq["RollbackDriver"] < seq["InstallDriver"] &&
    seq["InstallDriver"] < seq["InstallFinalize"] && seq["InstallInitialize"] < seq["RemoveDriver"] &&
    seq["RemoveDriver"] < seq["RemoveFiles"] && seq["RemoveOldDriver"] < seq["RemoveFiles"]) }' "$work/$width/ok/sequence.txt" ||
    echo "SecureDriverDir, CheckDriverDir, RollbackDriver and InstallDriver are not in that order between InstallInitialize and InstallFinalize, around InstallFiles, or RemoveDriver and RemoveOldDriver not before RemoveFiles: $(grep -E '^(Install(Initialize|Files|Driver|Finalize)|(Secure|Check|Rollback|Remove|RemoveOld)Driver(Dir)?|RemoveFiles)\s' "$work/$width/ok/sequence.txt" | tr '\t\n' ' ;')"
}

# run NAME PROGRAM ARGS...: runs a Windows program of this width (of $loader's if set); its exit
# code in $code, output in $log.
run() {
  local name=$1
  shift
  runs=$((runs + 1))
  log=$work/$width-$(printf %02d "$runs")-$name.log code=0  # numbered: a later run keeps its own
  run_within 300 "$log" "${loader:-$width}" scripts/wine-run "${loader:-$width}" "$@" || code=$?
  [ "$code" != 124 ] || echo "$name did not end within 300 s (what it waited on is above)" >>"$log"
}

# run_batch NAME COMMAND...: run through one of our batch files, tried once more where its program
# never started (Wine's loader failed before cmd ran the batch file, or start could not launch it);
# a program that started never runs twice.
run_batch() {
  run "$@"
  [ "$code" = 124 ] || program_started "$log" || { echo "$1 never started: tried once more"; run "$@"; }
}

# Says what is wrong with the demo device for installed|untouched, or nothing; for removed, what is
# left of the package in the driver store and of the examples' folder.
device_problem() {
  local state description key
  if [ "$1" = staged ]; then
    cmp -s "$WINEPREFIX/drive_c/windows/inf/drvsetup-demo.inf" examples/demo/drvsetup-demo.inf ||
      printf "drvsetup-demo.inf is not in C:\\windows\\inf; "
    set -- untouched
  fi
  if [ "$1" = removed ]; then
    [ ! -e "$WINEPREFIX/drive_c/windows/inf/drvsetup-demo.inf" ] && [ ! -e "$WINEPREFIX/drive_c/windows/inf/drvsetup-demo.pnf" ] ||
      printf "drvsetup-demo.inf or its .pnf is still in C:\\windows\\inf; "
    ! installed_file drvsetup.exe && ! installed_file drvsetup-demo.inf || printf "the examples' files are still there; "
    return
  fi
  timeout -k 5 60 scripts/wine-run "$width" "build/mingw-$width/demo_device.exe" query "$hwid" \
    >"$work/device.txt" 2>&1 || { echo "the demo device cannot be queried; "; return; }
  state=$(tr -d '\r' <"$work/device.txt")
  description=$(sed -n 's/^ *description: //p' <<<"$state")
  key=$(sed -n 's/^ *driver key: *//p' <<<"$state")
  if [ "$1" = installed ]; then
    [ "$description" = 'Drvsetup Demo Device' ] || printf "the device's description is '%s'; " "$description"
    grep -qE '^\{104A9255-61CF-477F-BAEA-C230AEDD3511\}\\[0-9]{4}$' <<<"$key" ||
      printf "the device's driver key is '%s'; " "$key"
    build_problem
    [ ! -e "$WINEPREFIX/drive_c/$drivers/planted.txt" ] || printf "the folder was not made anew; "
    for file in "${package[@]}"; do
      cmp -s "examples/demo/$file" "$WINEPREFIX/drive_c/$drivers/$file" || printf "%s is not in the folder; " "$file"
    done
    cmp -s examples/demo/drvsetup-demo.sys "$WINEPREFIX/drive_c/$copied" || printf "the INF did not copy drvsetup-demo.sys; "
  else
    [ "$description" = none ] && [ "$key" = none ] || printf "the device changed: '%s', '%s'; " "$description" "$key"
    [ ! -e "$WINEPREFIX/drive_c/$copied" ] || printf "drvsetup-demo.sys was copied; "
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
  cp -r "$work/$width/ok" "$work/$width/fail" "$work/$width/new" "$WINEPREFIX/drive_c/"
  cp tests/installers/msiexec.cmd tests/installers/batch.cmd scripts/wait.cmd "$WINEPREFIX/drive_c/"
  powershell_standin
  timeout -k 5 60 scripts/wine-run "$width" "build/mingw-$width/demo_device.exe" register "$hwid" \
    >"$work/register.log" 2>&1 || { cat "$work/register.log"; return 1; }
}

# Wine's powershell.exe is a stub: system32 gets the stand-in of the prefix's width, syswow64
# the x86 one; owned SDDL says which owner they report for the examples' folder.
powershell_standin() {
  [ "$width" != x64 ] || cp build/mingw-x86/powershell_standin.exe "$WINEPREFIX/drive_c/windows/syswow64/$powershell"
  cp "build/mingw-$width/powershell_standin.exe" "$WINEPREFIX/drive_c/windows/system32/$powershell"
  timeout -k 5 60 scripts/wine-run "$width" reg add 'HKCU\Software\Wine\DllOverrides' /v powershell.exe /d native /f >/dev/null 2>&1
  owned O:BA
}
owned() { local exe; for exe in "$WINEPREFIX"/drive_c/windows/*/"$powershell"; do echo "$1" >"${exe%.exe}_owner.txt"; done; }

# not_owned EXAMPLE CODES COMMAND...: with Users the folder's owner once secured, the example stops
# before it copies anything.
not_owned() {
  local problem=
  owned O:BU
  "${@:3}"
  owned O:BA
  ! installed_file drvsetup.exe || problem="drvsetup.exe was copied; "
  check "$1, folder owned by Users once secured: stops before copying" "$2" untouched "$problem"
}

# no_device EXAMPLE CODE COMMAND...: the update finds no device (the stand-in's answer): the example
# opts in to the no-device code, and the package waits in the driver store.
no_device() {
  stand_in_newdev
  DRVSETUP_STUB_RESULT=0 DRVSETUP_STUB_ERROR=E000020B "${@:3}"
  wine_newdev
  check "$1, no device plugged in yet: the package waits in the driver store" "$2" staged
  rm -f "$WINEPREFIX"/drive_c/windows/inf/drvsetup-demo.[ip]nf
}

# The examples' log, C:\Windows\Logs\VendorDrivers\drvsetup.log, in whatever case Wine made it.
example_log() { find "$WINEPREFIX/drive_c/windows" -maxdepth 3 -ipath '*/logs/vendordrivers/drvsetup.log' | head -n 1; }

# The device's driver version, as the demo package's AddReg value tells it.
driver_version() {
  local key
  timeout -k 5 60 scripts/wine-run "$width" "build/mingw-$width/demo_device.exe" query "$hwid" >"$work/device.txt" 2>&1
  key=$(tr -d '\r' <"$work/device.txt" | sed -n 's/^ *driver key: *//p')
  timeout -k 5 60 scripts/wine-run "$width" reg query "HKLM\\System\\CurrentControlSet\\Control\\Class\\$key" /v DemoInstalledBy 2>/dev/null |
    tr -d '\r' | sed -n 's/^ *DemoInstalledBy *REG_SZ *drvsetup demo *//p' | sed 's/^$/1.0.0.0/'
}

# upgrade_rows EXAMPLE NEW_COMMAND -- OLD_COMMAND: the newer package installs over the older one; a
# re-run of the older one keeps it (DRVSETUP_ONLY_IF_BETTER=1), where the update honours that.
upgrade_rows() {
  local name=$1 new=() version
  shift
  while [ "$1" != -- ]; do new+=("$1"); shift; done
  shift
  "${new[@]}"
  version=$(driver_version)
  if [ "$code" = 0 ] && [ "$version" = 2.0.0.0 ]; then pass "$width $name, a newer DriverVer: installs it (exit code 0, the device has 2.0.0.0)"
  else fail "$width $name, a newer DriverVer: exit code $code, the device has '$version'"; cat "$log"; fi
  "$@"
  version=$(driver_version)
  if [ "$code" = 0 ] && [ "$version" = 2.0.0.0 ]; then
    pass "$width $name, the older package again: keeps the newer driver (exit code 0, the device has 2.0.0.0)"
  elif [ "$code" = 0 ] && [ "$version" = 1.0.0.0 ] && grep -q 'flags 0 (not forced' "$(example_log)"; then
    echo "The re-run case was skipped: Wine's update ignores the missing INSTALLFLAG_FORCE and installed the older package (exit code 0, the device has 1.0.0.0; drvsetup.exe called it unforced)."
    skipped=$((skipped + 1))
  else fail "$width $name, the older package again: exit code $code, the device has '$version'"; cat "$log"; fi
}

# A file in the examples' folder, as a user who made the folder first could have left; an
# installation must remove it.
plant() { mkdir -p "$WINEPREFIX/drive_c/$drivers" && echo planted >"$WINEPREFIX/drive_c/$drivers/planted.txt"; }

installed_file() { [ -f "$WINEPREFIX/drive_c/$drivers/$1" ]; }

# Says so when the installed drvsetup.exe is not the build for this prefix's Windows.
build_problem() {
  local exe=$WINEPREFIX/drive_c/$drivers/drvsetup.exe found
  [ -f "$exe" ] || { printf "no drvsetup.exe installed; "; return; }
  found=$(od -An -tx2 -j "$(($(od -An -tu4 -j60 -N4 "$exe") + 4))" -N2 "$exe" | tr -d ' ')
  [ "$found" = "${machine[$width]}" ] || printf "the installed drvsetup.exe is for machine %s, not the %s build; " "$found" "$width"
}

# Wine's own newdev.dll has no DiUninstallDriverA, and its SetupUninstallOEMInfA deletes nothing
# unless forced: the removals run with the stand-in's, which takes the INF out of C:\windows\inf
# as Windows 10 does; wine_newdev puts Wine's own back.
stand_in_newdev() {
  cp "$WINEPREFIX/drive_c/windows/system32/newdev.dll" "$work/newdev-wine.dll"
  cp "build/mingw-$width/newdev_stub.dll" "$WINEPREFIX/drive_c/windows/system32/newdev.dll"
  export WINEDLLOVERRIDES=newdev=n
}
wine_newdev() {
  unset WINEDLLOVERRIDES
  cp "$work/newdev-wine.dll" "$WINEPREFIX/drive_c/windows/system32/newdev.dll"
}

# The NSIS installer's Apps & features entry, as the 32-bit installer sees the registry.
nsis_entry() {
  timeout -k 5 60 scripts/wine-run x86 reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VendorDriver' \
    /v QuietUninstallString >/dev/null 2>&1
}

# nsis NAME PROGRAM ARGS...: the NSIS installer or uninstaller through a batch file that prints
# its whole exit code.
nsis() {
  run_batch "$1" cmd /c 'C:\wait.cmd' "${@:2}"
  code=$(tr -d '\r' <"$log" | sed -n 's/^program exit code //p')
}

# The x86 installer, run as Windows runs it: under WOW64 in a 64-bit prefix.
nsis_cases() {
  local loader=x86
  nsis nsis-fail 'C:\fail\driver-setup.exe' /S
  check "x86 NSIS installer, drvsetup.exe fails: installer exits 5" 5 untouched
  not_owned "x86 NSIS installer" 21 nsis nsis-not-owned 'C:\ok\driver-setup.exe' /S
  no_device "x86 NSIS installer" 3011 nsis nsis-no-device 'C:\ok\driver-setup.exe' /S
  plant
  nsis nsis-ok 'C:\ok\driver-setup.exe' /S
  local problem=
  nsis_entry || problem="no Apps & features entry with a QuietUninstallString; "
  check "x86 NSIS installer installs the driver with the $width build" 0 installed "$problem"
  upgrade_rows "x86 NSIS installer" nsis nsis-new 'C:\new\driver-setup.exe' /S -- \
    nsis nsis-again 'C:\ok\driver-setup.exe' /S
  # The uninstaller runs from a copy of itself: the prefix's processes all end before the verdict.
  stand_in_newdev
  nsis nsis-uninstall 'C:\ProgramData\VendorDrivers\uninstall.exe' /S
  timeout -k 5 120 wineserver -w || true
  wine_newdev
  problem=
  ! nsis_entry || problem="its Apps & features entry is still there; "
  check "x86 NSIS uninstaller takes the package out of the driver store, then the folder and its entry" 0 removed "$problem"
}

# product_registered FOLDER [VERSION]: the MSI's product (VERSION's, if given) is installed.
product_registered() {
  local product
  product=$(msiinfo export "$WINEPREFIX/drive_c/$1/$(msi_name "${2:-}")" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
  timeout -k 5 60 scripts/wine-run "$width" reg query \
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product" >/dev/null 2>&1
}

msi_name() { echo "driver-setup${1:+-$1}.msi"; }

# run_msiexec FOLDER [VERSION]: msiexec through a batch file that prints its exit code (a shell
# sees only its low 8 bits).
run_msiexec() {
  local name="msi-$1${2:-}${3:+-removal}"
  msi_log=$WINEPREFIX/drive_c/$name-$((runs + 1)).log  # msiexec's own, numbered as ours
  run_batch "$name" cmd /c 'C:\msiexec.cmd' "${3:-/i}" "C:\\$1\\$(msi_name "${2:-}")" "C:\\${msi_log##*/}"
  code=$(tr -d '\r' <"$log" | sed -n 's/^msiexec exit code //p')
}

# The end of msiexec's own log of the last run, where it says why it stopped.
msi_tail() { tr -d '\0\r' <"$msi_log" 2>/dev/null | tail -n 40 | sed 's/^/   msi| /' || true; }

msi_cases() {
  local problem=
  not_owned MSI '1603|1627' run_msiexec ok
  run_msiexec fail
  ! installed_file drvsetup.exe || problem+="drvsetup.exe was not rolled back; "
  ! product_registered fail || problem+="the product stayed registered; "
  # Windows says 1603 (ERROR_INSTALL_FAILURE); Wine's msi says 1627 (ERROR_FUNCTION_FAILED).
  check "MSI, drvsetup.exe fails: the install fails and rolls back" '1603|1627' untouched "$problem"
  # The folder is never wiped: Windows Installer has decided which files to copy before.
  problem=
  plant
  run_msiexec ok
  installed_file planted.txt || problem+="the file left in the folder was deleted; "
  ! product_registered ok || problem+="the product is registered; "
  check "MSI with a file left in its folder: stops, deletes nothing" '1603|1627' untouched "$problem"
  rm -rf "${WINEPREFIX:?}/drive_c/$drivers"
  no_device MSI 0 run_msiexec ok
  stand_in_newdev
  run_msiexec ok "" /x  # to install anew below
  wine_newdev
  problem=
  run_msiexec ok
  installed_file drvsetup-demo.inf || problem+="drvsetup-demo.inf is not installed; "
  product_registered ok || problem+="the product is not registered; "
  check "MSI installs the driver" 0 installed "$problem"
  stand_in_newdev
  problem=
  run_msiexec ok "" /x
  ! product_registered ok || problem+="the product stayed registered; "
  check "MSI removal takes the package out of the driver store, then the files" 0 removed "$problem"
  msi_rollback_case
  wine_newdev
  # A major upgrade removes the old product and runs the driver step again: it copies the file again.
  problem=
  run_msiexec ok
  [ "$code" = 0 ] || { problem+="installing 1.0.0 again gave $code; "; cat "$log"; msi_tail; }
  rm "$WINEPREFIX/drive_c/$copied"
  run_msiexec ok 1.0.1
  ! product_registered ok || problem+="version 1.0.0 stayed registered; "
  product_registered ok 1.0.1 || problem+="version 1.0.1 is not registered; "
  check "MSI 1.0.1 upgrades 1.0.0 and installs the driver again" 0 installed "$problem"
}

# A step after the driver's fails: the rollback takes out the package that the update (the
# stand-in's, which puts the INF in the store as an install does) added.
msi_rollback_case() {
  local problem= name="MSI failing after the driver step rolls back and leaves no package in the store"
  rm -f "$WINEPREFIX/drive_c/rollback.log"
  DRVSETUP_STUB_STORE=1 DRVSETUP_LOG='C:\rollback.log' run_msiexec ok failafter
  if ! grep -aq '^---- drvremove run' "$WINEPREFIX/drive_c/rollback.log" 2>/dev/null; then
    echo "The MSI's rollback case was skipped: Wine's msiexec runs no rollback custom action (RollbackDriver did not run; exit code $code)."
    skipped=$((skipped + 1))
    rm -f "$WINEPREFIX"/drive_c/windows/inf/drvsetup-demo.[ip]nf
    return
  fi
  ! product_registered ok failafter || problem+="the product stayed registered; "
  check "$name" '1603|1627' removed "$problem"
}

# cmd.exe runs the batch file through one that prints its whole exit code; under arm64 Wine with
# the environment that ARM64 Windows gives a native cmd.exe, which Wine 8.0 does not (it says x86
# in PROCESSOR_ARCHITECTURE there).
batch() {
  local name=$1 file=$2 mode=${3:-}
  if [ "$width" = arm64 ]; then run_batch "$name" cmd /c "set PROCESSOR_ARCHITECTURE=ARM64&& C:\batch.cmd $file $mode"
  else run_batch "$name" cmd /c 'C:\batch.cmd' "$file" $mode; fi
  code=$(tr -d '\r' <"$log" | sed -n 's/^batch exit code //p')
}

batch_cases() {
  local problem= system32=$WINEPREFIX/drive_c/windows/system32
  mv "$WINEPREFIX/drive_c/ok/driver" "$WINEPREFIX/drive_c/ok/driver.away"
  batch batch-no-inf 'C:\ok\drvsetup.cmd'
  # Not anchored: Wine may put a text of its own ("wine client error:...") before a line.
  grep -q 'Could not copy' "$log" || problem="it did not say that the copy failed; "
  check "batch file without the package folder beside it: exits 22, runs nothing" 22 untouched "$problem"
  mv "$WINEPREFIX/drive_c/ok/driver.away" "$WINEPREFIX/drive_c/ok/driver"
  not_owned "batch file" 21 batch batch-not-owned 'C:\ok\drvsetup.cmd'
  no_device "batch file" 3011 batch batch-no-device 'C:\ok\drvsetup.cmd'
  problem=
  batch batch-fail 'C:\fail\drvsetup.cmd'
  grep -q 'Driver installation failed with exit code 5' "$log" || problem="it did not report code 5; "
  check "batch file, drvsetup.exe fails: exits 5" 5 untouched "$problem"
  # The stand-in update reports a restart and installs nothing; then Wine's own is back.
  problem=
  stand_in_newdev
  batch batch-restart 'C:\ok\drvsetup.cmd'
  wine_newdev
  grep -q 'Driver installed; Windows must restart to finish' "$log" || problem="it did not say a restart is needed; "
  check "batch file, the update reports a restart: exits 3010" 3010 untouched "$problem"
  plant
  batch batch-ok 'C:\ok\drvsetup.cmd'
  check "batch file installs the driver with the $width build" 0 installed
  upgrade_rows "batch file" batch batch-new 'C:\new\drvsetup.cmd' -- batch batch-again 'C:\ok\drvsetup.cmd'
  stand_in_newdev
  DRVSETUP_STUB_REBOOT=0 batch batch-uninstall 'C:\ok\drvsetup.cmd' /uninstall
  wine_newdev
  check "batch file /uninstall takes the package out of the driver store, then the folder" 0 removed
}

# run_width WIDTH [WIXL_ARCH]: every case of one width (the MSI's only with WIXL_ARCH; wixl builds
# no arm64 package, and arm64 Wine runs no x86 installer).
run_width() {
  local kind kinds=(nsis msi batch) before problem
  width=$1
  before=$failed
  if ! build "$1" "${2:-}"; then fail "$width examples build: none of its cases can run"; return; fi
  pass "$width examples build with makensis${2:+ and wixl}, no warning"
  if [ -z "${2:-}" ]; then
    kinds=(batch)
  else
    problem=$(sequence_problem)
    if [ -z "$problem" ]; then pass "$width MSI secures and checks its folder before InstallFiles and installs the driver after it"; else fail "$width $problem"; fi
  fi
  if ! scripts/wine-prefix "$width" "$work/wine-$width"; then
    fail "$width: no Wine prefix, so none of its installers can run"; return
  fi
  if [ "$width" = x64 ] && problem=$(no_x86_half "$work/wine-$width"); then
    skip_group "the x86 NSIS installer's cases in the 64-bit prefix" "$problem"
    kinds=(msi batch)
  fi
  for kind in "${kinds[@]}"; do
    fresh_prefix "$kind" || { fail "$width $kind: cannot register the demo device"; continue; }
    "${kind}_cases"
    timeout -k 5 60 wineserver -k >/dev/null 2>&1 || true
  done
  [ "$failed" != "$before" ] || rm -rf "$work/wine-$width"-*  # kept for a look when a case failed
}

for arch in x86 x64 arm64; do  # every installer carries the three builds
  [ -x "build/mingw-$arch/drvsetup.exe" ] || { echo "build/mingw-$arch is missing: build the presets first"; exit 1; }
done
# Set up before the 32-bit and arm64 probes below, or their answers are wrong; scripts/test
# has done both.
[ -n "${DRVSETUP_32BIT:-}" ] && [ -n "${DRVSETUP_ARM64:-}" ] || scripts/bootstrap
mkdir -p "$work"
export WINEDEBUG=-all
unset WINEDLLOVERRIDES  # the driver update must be Wine's own newdev.dll
if [ -z "${DISPLAY:-}" ]; then  # drvsetup.exe shows its progress dialog
  xvfb=""
  trap '[ -z "$xvfb" ] || kill $xvfb 2>/dev/null || true' EXIT
  start_xvfb 1024x768
fi

if python3 tests/installers/guide_sync.py; then pass "the guide's snippets match the examples"; else fail "the guide's snippets"; fi
# Under Wine icacls changes no ACL: what can be checked is that the folder is secured, then found
# empty and owned by Administrators, before the copy.
unsecured=""
for file in "$examples/drvsetup.nsi" "$examples/drvsetup.cmd"; do
  awk '/icacls/ && !s { s = NR } /GetSecurityDescriptorSddlForm/ && !o { o = NR } /^ *(File|copy) / && !c { c = NR }
    END { exit !(s && s < o && o < c) }' "$file" || unsecured+=" $file"
done
if [ -z "$unsecured" ]; then pass "the NSIS and batch examples secure and check their folder before they copy into it"
else fail "icacls, then the owner check, do not come before the first copy in:$unsecured"; fi
run_width x64 x64
if runs_32bit; then run_width x86 x86; else skip_group "the 32-bit installer cases" "$(no_32bit_reason)"; fi
if runs_arm64; then run_width arm64; else skip_group "the arm64 installer cases" "$(no_arm64_reason)"; fi
summary="$passed passed, $failed failed"
[ "$skipped" = 0 ] || summary+=", $skipped skipped"
echo "$summary"
[ "$failed" = 0 ]
