#!/usr/bin/env bash
# Checks the runner of the suites: every suite a CTest test with labels, a time limit and the skip code; a closed road skips with its reason; the closing line adds the suites' own counts: tests/suites_check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0
# check NAME PROBLEM: a case passes where PROBLEM is empty.
check() {
  if [ -z "$2" ]; then echo "ok   $1"; passed=$((passed + 1)); else echo "FAIL $1: $2"; failed=$((failed + 1)); fi
}

cmake -S tests -B "$tmp/suites" >"$tmp/configure.log" 2>&1 || cat "$tmp/configure.log"
ctest --test-dir "$tmp/suites" --show-only=json-v1 >"$tmp/tests.json" 2>/dev/null || true
check "every suite is a CTest test through tests/suite with labels, a time limit and skip code 77; each architecture has the same suites, skipped by its road" "$(python3 - "$tmp/tests.json" <<'EOF'
import json, sys
tests = json.load(open(sys.argv[1]))["tests"]
names, problems = {t["name"] for t in tests}, []
for t in tests:
    props = {p["name"]: p["value"] for p in t.get("properties", [])}
    if not t["command"][0].endswith("/tests/suite") or t["command"][1] != t["name"]:
        problems.append("%s does not run through tests/suite" % t["name"])
    if not props.get("LABELS") or not props.get("TIMEOUT") or props.get("SKIP_RETURN_CODE") != 77:
        problems.append("%s lacks labels, a time limit or skip code 77: %s" % (t["name"], props))
    arch = t["name"].rsplit("-", 1)[-1]
    if arch in ("x86", "x64", "arm64") and t["command"][2:4] != ["--arch", arch]:
        problems.append("%s is not skipped by the %s road" % (t["name"], arch))
kinds = {a: {n.rsplit("-", 1)[0] for n in names if n.endswith("-" + a)} for a in ("x86", "x64", "arm64")}
if not kinds["x64"] or kinds["x86"] != kinds["x64"] or kinds["arm64"] != kinds["x64"]:
    problems.append("the architectures' suites differ: %s" % kinds)
for name in ("build", "reproducible", "unit", "sanitize", "fuzz", "installers", "release", "workflows", "suites"):
    if name not in names:
        problems.append("no suite %s" % name)
print("; ".join(problems))
EOF
)"

# A closed road: the suites of that architecture are skipped by CTest, each with the reason.
(unset DRVSETUP_32BIT DRVSETUP_ARM64 DRVSETUP_X86_ROAD
 DRVSETUP_NO_32BIT=1 DRVSETUP_NO_ARM64=1 DRVSETUP_SUITE_LOGS=$tmp/logs \
   ctest --test-dir "$tmp/suites" -R '^(demo-x86|removal-arm64)$' --output-junit "$tmp/skip.xml" >"$tmp/skip.out" 2>&1) || true
python3 tests/summary.py "$tmp/skip.xml" "$tmp/logs" 1 >"$tmp/skip.summary" 2>&1 || true
problem=""
grep -qE 'demo-x86 .*Skipped' "$tmp/skip.out" && grep -qE 'removal-arm64 .*Skipped' "$tmp/skip.out" ||
  problem+="ctest did not report both as skipped: $(tr '\n' ' ' <"$tmp/skip.out"); "
grep -qxF 'demo-x86: skipped: DRVSETUP_NO_32BIT=1 is set' "$tmp/skip.summary" &&
  grep -qxF 'removal-arm64: skipped: DRVSETUP_NO_ARM64=1 is set' "$tmp/skip.summary" &&
  [ "$(tail -n 1 "$tmp/skip.summary")" = "0 passed, 0 failed, 2 suites skipped" ] ||
  problem+="the summary: $(tr '\n' ' ' <"$tmp/skip.summary")"
check "with no x86 and no arm64 road, their suites are skipped with the reason, and counted as skipped suites" "$problem"

# The summary of a ctest run whose suites say what they counted, or say nothing.
mkdir -p "$tmp/fake" "$tmp/fake/logs"
cat >"$tmp/fake/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.20)
project(fake NONE)
enable_testing()
# say NAME STATUS TEXT...: a suite that writes TEXT as its log and exits STATUS.
function(say name status)
  string(JOIN "\n" text ${ARGN})
  file(WRITE ${CMAKE_BINARY_DIR}/${name}.txt "${text}\n")
  add_test(NAME ${name} COMMAND sh -c "cp ${CMAKE_BINARY_DIR}/${name}.txt ${LOGS}/test-${name}.log; exit ${status}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 5)
endfunction()
say(counted 0 "ok   one" "3 passed, 0 failed")
say(nested 1 "1/20 Test  #4: Split.Wide ....***Failed" "95% tests passed, 1 tests failed out of 20")
say(reasoned 1 "ok   one" "FAIL two: the exit code" "  wanted 0, got 5" "ok   three" "2 passed, 1 failed, 4 skipped")
say(silent 1 "it died")
say(contradicted 1 "5 passed, 0 failed")
say(closed 77 "skipped: the road is closed")
say(stale 0 "9 passed, 0 failed")
set_tests_properties(stale PROPERTIES DISABLED ON)
EOF
cmake -S "$tmp/fake" -B "$tmp/fake/build" -DLOGS="$tmp/fake/logs" >/dev/null 2>&1 || true
cp "$tmp/fake/build/stale.txt" "$tmp/fake/logs/test-stale.log" 2>/dev/null || true  # a log left by an older run
ctest --test-dir "$tmp/fake/build" --output-junit "$tmp/fake.xml" >/dev/null 2>&1 || true
status=0
python3 tests/summary.py "$tmp/fake.xml" "$tmp/fake/logs" 75 "set-up 4 s" >"$tmp/fake.summary" 2>&1 || status=$?
problem=""
expect() { grep -qxF -- "$1" "$tmp/fake.summary" || problem+="no line '$1'; "; }
expect "counted: 3 passed, 0 failed"
expect "nested: 19 passed, 1 failed"
expect "1/20 Test  #4: Split.Wide ....***Failed"
expect "FAIL two: the exit code"
expect "   |   wanted 0, got 5"
expect "reasoned: 2 passed, 1 failed, 4 skipped"
expect "   | it died"
expect "silent: 0 passed, 1 failed"
expect "contradicted: 5 passed, 1 failed"
expect "closed: skipped: the road is closed"
expect "stale: 0 passed, 1 failed"
grep -qE '^time: set-up 4 s, counted [0-9]+ s, .*; whole run 1 min 15 s$' "$tmp/fake.summary" || problem+="the time line; "
[ "$(tail -n 1 "$tmp/fake.summary")" = "29 passed, 5 failed, 4 skipped, 1 suites skipped" ] || problem+="the closing line; "
[ "$status" = 1 ] || problem+="exit status $status, not 1; "
check "the closing line adds each suite's own count; a suite with none, one that ctest failed or did not run, each counts as a failure; reasons and times are shown" \
  "$problem$([ -z "$problem" ] || tr '\n' '|' <"$tmp/fake.summary")"

# The road probe only looks: it never registers anything with binfmt_misc.
(unset DRVSETUP_32BIT DRVSETUP_ARM64 DRVSETUP_X86_ROAD
 source scripts/lib/road-probe
 register_i386() { touch "$tmp/registered"; }
 register_aarch64() { touch "$tmp/registered"; }
 runs_32bit || true
 runs_arm64 || true)
check "probing the x86 and arm64 roads registers nothing" "$([ ! -e "$tmp/registered" ] || echo "it called a registration")"

echo "suites: $passed passed, $failed failed"
[ "$failed" = 0 ]
