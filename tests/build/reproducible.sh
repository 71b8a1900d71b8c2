#!/usr/bin/env bash
# Builds drvsetup.exe a second time in another folder and compares the bytes with build/mingw-x86's.
set -euo pipefail
cd "$(dirname "$0")/../.."
again=build/reproducible-x86
rm -rf "$again"
cmake -S . -B "$again" -G Ninja --toolchain cmake/mingw-x86.cmake -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$again" --target drvsetup >/dev/null
if cmp build/mingw-x86/drvsetup.exe "$again/drvsetup.exe"; then
  echo "1 passed, 0 failed"
else
  echo "FAIL drvsetup.exe differs between two builds of the same source"
  echo "0 passed, 1 failed"
fi
