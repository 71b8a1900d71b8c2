#!/usr/bin/env bash
# Builds drvsetup.exe and drvremove.exe a second time in another folder for each build and compares the bytes with
# build/mingw-ARCH's: tests/build/reproducible.sh [ARCH...] (default x86 x64 arm64)
set -euo pipefail
cd "$(dirname "$0")/../.."
archs=("$@")
[ $# -gt 0 ] || archs=(x86 x64 arm64)
passed=0 failed=0
for arch in "${archs[@]}"; do
  again=build/reproducible-$arch
  rm -rf "$again"
  cmake -S . -B "$again" -G Ninja --toolchain "cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "$again" --target drvsetup drvremove >/dev/null
  if cmp "build/mingw-$arch/drvsetup.exe" "$again/drvsetup.exe" && cmp "build/mingw-$arch/drvremove.exe" "$again/drvremove.exe"; then
    echo "ok   $arch: the same bytes"
    passed=$((passed + 1))
  else
    echo "FAIL $arch: drvsetup.exe or drvremove.exe differs between two builds of the same source"
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
