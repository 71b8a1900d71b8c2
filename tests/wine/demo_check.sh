#!/usr/bin/env bash
# Checks the driver demo end to end under Wine, on an existing build: tests/wine/demo_check.sh [--arch x86|x64|arm64]
set -euo pipefail
cd "$(dirname "$0")/../.."

# What the demo's output must show, one line each, in this order.
expected=(
  '^   ROOT\\DRVSETUPDEMO\\[0-9]{4}$'
  '^     driver key:  none$'
  '^   normal mode: exit code 0$'
  '^   silent mode: exit code 0$'
  '^   the log: device: \[ROOT\\DRVSETUPDEMO\\[0-9]{4}\] has it as a hardware ID \[ROOT\\DRVSETUPDEMO\]: status 0x[0-9A-F]{8}, '
  '^     description: Drvsetup Demo Device$'
  '^     driver key:  \{104A9255-61CF-477F-BAEA-C230AEDD3511\}\\[0-9]{4}$'
  "^   value written by the INF's AddReg: drvsetup demo$"
  '^   file copied by the INF.s CopyFiles: C:\\windows\\system32\\drivers\\drvsetup-demo.sys$'
  '^PASS: '
)

log=build/demo_check.log
mkdir -p build
status=0
scripts/demo --no-build "$@" >"$log" 2>&1 || status=$?

# Says what is wrong with the demo's run, or nothing; each expected line must
# come after the one matched before it.
first_problem() {
  local rest line pattern
  [ "$status" = 0 ] || { echo "scripts/demo exited with $status"; return; }
  rest=$(cat "$log")
  for pattern in "${expected[@]}"; do
    line=$(grep -n -m1 -E -- "$pattern" <<<"$rest" | cut -d: -f1) || true
    [ -n "$line" ] || { echo "no line matching $pattern"; return; }
    rest=$(tail -n +"$((line + 1))" <<<"$rest")
  done
}

problem=$(first_problem)
if [ -z "$problem" ]; then
  echo "1 passed, 0 failed"
  exit 0
fi
cat "$log"
echo "demo_check: $problem"
echo "0 passed, 1 failed"
exit 1
