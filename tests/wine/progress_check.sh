#!/usr/bin/env bash
# Runs the progress dialog's in-process checks under Wine in the architecture's prefix: tests/wine/progress_check.sh x86|x64|arm64
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/road-probe
arch=$1 pairs=2000
# Under emulation a start/stop pair costs some 20 times as much.
if [ "$arch" = arm64 ] || { [ "$arch" = x86 ] && runs_32bit && [ "$DRVSETUP_X86_ROAD" != native ]; }; then pairs=300; fi
export WINEPREFIX=$PWD/build/wine-$arch WINEDEBUG=-all
exec scripts/wine-run "$arch" "build/mingw-$arch/progress_test.exe" "$pairs"
