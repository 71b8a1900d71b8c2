"""After ctest has run the suites: each suite's own count line, each failing case's reason lines,
the time of each part and the closing line "N passed, N failed[, N skipped][, N suites skipped]".

  python3 tests/summary.py REPORT LOGS WHOLE_SECONDS [PART_TIME...]

REPORT is ctest's --output-junit file; LOGS the folder of tests/suite's logs (test-NAME.log);
PART_TIME the set-up's parts, already as "NAME TIME". Exit status 1 where anything failed. The
counts are the suites' own: a suite's last "N passed, N failed[, N skipped]" line, or the summary
of the ctest it runs; one that ran with none is one failure."""
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

COUNT = re.compile(r"(\d+) passed, (\d+) failed(?:, (\d+) skipped)?")
CTEST = re.compile(r" (\d+) tests failed out of (\d+)$")
CASE_START = re.compile(r"^(ok |PASS|FAIL|== )|\d+ passed, \d+ failed")


def minutes(seconds):
    seconds = int(round(seconds))
    return "%d min %d s" % divmod(seconds, 60) if seconds >= 60 else "%d s" % seconds


def counts(lines):
    """(passed, failed, skipped) as the suite's log says, or None where it says nothing."""
    for line in reversed(lines):
        found = CTEST.search(line)
        if found:
            failed, total = int(found.group(1)), int(found.group(2))
            return total - failed, failed, 0
        found = COUNT.search(line)
        if found:
            return int(found.group(1)), int(found.group(2)), int(found.group(3) or 0)
    return None


def reasons(lines):
    """Each failing case's line and up to 25 lines under it, and any line of a failed ctest."""
    out, shown = [], 0
    for line in lines:
        if CASE_START.search(line):
            shown = 0
        if line.startswith("FAIL"):
            shown = 26
        if shown > 0:
            out.append(line if shown == 26 else "   | " + line)
            shown -= 1
        if "***Failed" in line or "Exception" in line:
            out.append(line)
    return out


def summarize(report, logs, whole, parts):
    passed = failed = skipped = 0
    skipped_suites, times = [], list(parts)
    for case in ElementTree.parse(report).getroot().iter("testcase"):
        name, status = case.get("name"), case.get("status")
        path = os.path.join(logs, "test-%s.log" % name)
        try:
            with open(path, errors="replace") as log:
                lines = log.read().splitlines()
        except OSError:
            lines = []
        skip = case.find("skipped")
        if status == "notrun" and skip is not None and "SKIP_RETURN_CODE" in skip.get("message", ""):
            reason = next((l[len("skipped: "):] for l in lines if l.startswith("skipped: ")), "no reason given")
            print("%s: skipped: %s" % (name, reason))
            skipped_suites.append(name)
            continue
        times.append("%s %s" % (name, minutes(float(case.get("time") or 0))))
        for line in reasons(lines):
            print(line)
        found = counts(lines) if status in ("run", "fail") else None
        if found is None:
            found = (0, 1, 0)
            print("%s: no count (ctest: %s); the end of %s:" % (name, status, path))
            for line in lines[-20:]:
                print("   | " + line)
        elif status != "run" and found[1] == 0:
            found = (found[0], 1, found[2])
            print("%s: ctest says %s though its count has no failure; the end of %s:" % (name, status, path))
            for line in lines[-20:]:
                print("   | " + line)
        print("%s: %d passed, %d failed%s" % (name, found[0], found[1], ", %d skipped" % found[2] if found[2] else ""))
        passed, failed, skipped = passed + found[0], failed + found[1], skipped + found[2]
    print("time: %s" % "; ".join(filter(None, [", ".join(times), "whole run " + minutes(whole)])))
    line = "%d passed, %d failed" % (passed, failed)
    if skipped:
        line += ", %d skipped" % skipped
    if skipped_suites:
        line += ", %d suites skipped" % len(skipped_suites)
    print(line)
    return failed


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    sys.exit(1 if summarize(sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4:]) else 0)
