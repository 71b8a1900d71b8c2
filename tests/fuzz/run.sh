#!/usr/bin/env bash
# Builds both libFuzzer targets with clang and fuzzes each for SECONDS/2 from a copy of its seeds.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:?usage: tests/fuzz/run.sh SECONDS}
per_target=$(((seconds + 1) / 2))
build=build/fuzz
targets=(split_fuzz dispatch_fuzz)
mkdir -p $build

# A file's bytes as report.cpp shows them: a C string literal's escapes.
escape() {
  local out="" byte char
  for byte in $(od -An -v -tx1 "$1"); do
    case $byte in
      22 | 5c) printf -v char '\\%b' "\\x$byte" ;;
      2? | [3-6]? | 7[0-9a-e]) printf -v char '%b' "\\x$byte" ;;
      *) char="\\x$byte" ;;
    esac
    out+=$char
  done
  printf '%s' "$out"
}

if ! { cmake -S tests/fuzz -B $build -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build $build; } >$build/build.log 2>&1; then
  cat $build/build.log
  echo "FAIL fuzz build"
  echo "0 passed, ${#targets[@]} failed"
  exit 1
fi

passed=0 failed=0
for target in "${targets[@]}"; do
  work=$build/run/${target%_fuzz}
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/artifacts"
  cp tests/fuzz/corpus/${target%_fuzz}/* "$work/corpus/"
  # libFuzzer stops itself after max_total_time; timeout only guards a hang in the fuzzer itself.
  if timeout -k 10 $((per_target + 60)) $build/$target "$work/corpus" -max_total_time=$per_target \
       -max_len=4096 -timeout=10 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
       >"$work/log" 2>&1; then
    runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)$/\1/p' "$work/log")
    echo "$target: passed, ${runs:-?} executions in $per_target s"
    passed=$((passed + 1))
  else
    echo "FAIL $target (log: $work/log)"
    grep -E 'property failed|^input \(|ERROR: |runtime error|^SUMMARY' "$work/log" |
      head -n 8 | sed 's/^/  - /' || true
    for artifact in "$work"/artifacts/*; do
      [ -e "$artifact" ] || continue
      echo "  - crashing input $artifact:"
      echo "  - \"$(escape "$artifact")\""
    done
    failed=$((failed + 1))
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
