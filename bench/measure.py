#!/usr/bin/python3
# Measures drvsetup.exe (size, imports, whole-run time, CPU while held, dialog stop) and prints one table.
"""Usage: bench/measure.py X86_BUILD X64_BUILD PREFIX  (from bench/run: needs DISPLAY)

Every figure comes from this run. Whole-run times are the child's own lifetime
(its creation to its exit time, as Wine's server keeps them), taken by
bench_lifetime.exe, which starts the programs interleaved.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

import pefile

ROUNDS = 25          # whole runs of each program, interleaved
HOLD_MS = 10000      # how long the stand-in holds the update for the CPU figure
STOP_TRIALS = 20     # dialog stops timed in process
SIZE_TARGET = 24 * 1024
RATIO_TARGET = 1.10
CPU_TARGET_S = 0.2
STOP_TARGET_MS = 250
TRIPLES = {"x86": "i686-w64-mingw32", "x64": "x86_64-w64-mingw32"}
FULL = "C:\\bench\\drvsetup.exe C:\\bench\\x.inf ROOT\\BENCH /s"
LINES = [FULL, "C:\\bench\\bench_floor.exe", "C:\\bench\\bench_floor_user32.exe",
         "C:\\bench\\drvsetup.exe /s"]
EXPECTED_EXIT = [0, 0, 0, 2]


class Failed(Exception):
    pass


def stripped_size(arch, exe):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "s.exe")
        subprocess.run([TRIPLES[arch] + "-strip", "-o", out, exe], check=True)
        return os.path.getsize(out)


def imports(exe):
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    return ", ".join(sorted((e.dll.decode() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])),
                            key=str.lower))


def prepare(prefix, build):
    bench = os.path.join(prefix, "drive_c", "bench")
    os.makedirs(bench, exist_ok=True)
    for name in ("drvsetup.exe", "bench_floor.exe", "bench_floor_user32.exe"):
        shutil.copy(os.path.join(build, name), bench)
    with open(os.path.join(bench, "x.inf"), "w") as f:
        f.write("[Version]\n")
    shutil.copy(os.path.join(build, "newdev_stub.dll"),
                os.path.join(prefix, "drive_c", "windows", "system32", "newdev.dll"))
    env = {k: v for k, v in os.environ.items() if not k.startswith("DRVSETUP_")}
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="newdev=n",
               DRVSETUP_STUB_RESULT="1", DRVSETUP_STUB_DELAY_MS="0")
    return env


def wine(env, *args, delay_ms=0):
    """Runs wine and returns the lines it printed. Output goes through a file,
    not a pipe: services that Wine starts keep inherited pipes open."""
    with tempfile.TemporaryFile() as out:
        done = subprocess.run(["wine", *args], env=dict(env, DRVSETUP_STUB_DELAY_MS=str(delay_ms)),
                              stdout=out, stderr=subprocess.DEVNULL, timeout=120)
        out.seek(0)
        lines = out.read().decode(errors="replace").splitlines()
    if done.returncode != 0:
        raise Failed("wine %s exited %d: %s" % (args[0], done.returncode, lines[-3:]))
    return lines


def whole_runs(env, build):
    wine(env, os.path.join(build, "bench_lifetime.exe"), "1", *LINES)  # warm-up, not counted
    runs = [[] for _ in LINES]
    for line in wine(env, os.path.join(build, "bench_lifetime.exe"), str(ROUNDS), *LINES):
        _, index, _, code, lifetime, wall, windows = line.split()
        index = int(index)
        if int(code) != EXPECTED_EXIT[index]:
            raise Failed("%s exited %s, expected %d" % (LINES[index], code, EXPECTED_EXIT[index]))
        runs[index].append((float(lifetime), float(wall), int(windows)))
    if any(len(r) != ROUNDS for r in runs):
        raise Failed("whole runs missing: %r" % [len(r) for r in runs])
    return runs


def held_cpu(env, build):
    lines = wine(env, os.path.join(build, "bench_cpu.exe"), FULL, delay_ms=HOLD_MS)
    fields = lines[-1].split() if lines else []
    if len(fields) != 6 or fields[0] != "cpu" or fields[1] != "0":
        raise Failed("CPU sampler: %r" % lines)
    return [float(x) for x in fields[2:]]


def dialog_stops(env, build):
    lines = wine(env, os.path.join(build, "bench_dialog_stop.exe"), str(STOP_TRIALS))
    gone = [float(l.split()[3]) for l in lines if l.startswith("stop ")]
    if len(gone) != STOP_TRIALS or min(gone) < 0:
        raise Failed("dialog stops: %r" % lines[-3:])
    return gone


def verdict(ok):
    return "met" if ok else "missed"


def kib(size):
    return "{:,} B ({:.1f} KiB)".format(size, size / 1024)


def size_rows(builds):
    rows = []
    for arch, build in builds.items():
        exe, floor = (stripped_size(arch, os.path.join(build, n))
                      for n in ("drvsetup.exe", "bench_floor.exe"))
        target = "<= 24 KiB: " + verdict(exe <= SIZE_TARGET) if arch == "x86" else ""
        rows.append(("1", "drvsetup.exe %s, stripped" % arch, kib(exe), target))
        rows.append(("1", "do-nothing WinMain %s, same flags (floor)" % arch,
                     "{}; drvsetup.exe is {:+,} B".format(kib(floor), exe - floor), ""))
    for arch, build in builds.items():
        for name, label in (("drvsetup.exe", "drvsetup.exe"), ("bench_floor.exe", "floor")):
            rows.append(("2", "imports, %s %s" % (label, arch),
                         imports(os.path.join(build, name)), ""))
    return rows


def spread(values):
    return "%.1f ms (runs %.1f-%.1f; wall %.1f)" % (
        statistics.median(v[0] for v in values), min(v[0] for v in values),
        max(v[0] for v in values), statistics.median(v[1] for v in values))


def run_rows(runs):
    full, floor, floor_user32, switch_only = runs
    median = [statistics.median(v[0] for v in r) for r in runs]
    ratio = median[0] / median[1]
    with_windows = sum(1 for v in full if v[2] > 0)
    return [
        ("3", "whole run x86, drvsetup.exe silent, stand-in returns at once (median of %d)"
         % ROUNDS, spread(full), ""),
        ("3", "whole run x86, do-nothing WinMain (median of %d)" % ROUNDS, spread(floor), ""),
        ("3", "overhead ratio, drvsetup.exe / do-nothing", "%.2f" % ratio,
         "<= %.2f: %s" % (RATIO_TARGET, verdict(ratio <= RATIO_TARGET))),
        ("3", "runs of drvsetup.exe that created any window (the dialog)",
         "%d of %d" % (with_windows, ROUNDS), ""),
        ("3", "for comparison: do-nothing WinMain importing USER32.dll", spread(floor_user32)
         + "; drvsetup.exe / this %.2f" % (median[0] / median[2]), ""),
        ("3", "for comparison: drvsetup.exe /s (exit 2 before any work)", spread(switch_only), ""),
    ]


def cpu_row(cpu):
    shown_ms, watched_ms, cpu_ms, total_ms = cpu
    tick_ms = 1000 / os.sysconf("SC_CLK_TCK")
    return [("4", "CPU of drvsetup.exe while the stand-in holds %d s, dialog on screen" % (HOLD_MS // 1000),
             "%.3f s over %.2f s watched (%.3f s since start; dialog up after %.0f ms; %.0f ms ticks)"
             % (cpu_ms / 1000, watched_ms / 1000, total_ms / 1000, shown_ms, tick_ms),
             "<= %.1f s: %s" % (CPU_TARGET_S, verdict(cpu_ms / 1000 <= CPU_TARGET_S)))]


def stop_rows(gone):
    return [("5", "stop to dialog destroyed, in process (median of %d)" % STOP_TRIALS,
             "%.1f ms" % statistics.median(gone), ""),
            ("5", "stop to dialog destroyed (max of %d)" % STOP_TRIALS, "%.1f ms" % max(gone),
             "<= %d ms: %s" % (STOP_TARGET_MS, verdict(max(gone) <= STOP_TARGET_MS)))]


def print_table(rows):
    print("| # | figure | measured | target |")
    print("|---|---|---|---|")
    for row in rows:
        print("| %s |" % " | ".join(cell or "-" for cell in row))


def main():
    builds = {"x86": os.path.abspath(sys.argv[1]), "x64": os.path.abspath(sys.argv[2])}
    prefix = os.path.abspath(sys.argv[3])
    env = prepare(prefix, builds["x86"])
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    wine(env, "wineboot", "-u")
    try:
        runs = whole_runs(env, builds["x86"])
        cpu = held_cpu(env, builds["x86"])
        gone = dialog_stops(env, builds["x86"])
    except Failed as e:
        print("bench: " + str(e), file=sys.stderr)
        return 1
    print_table(size_rows(builds) + run_rows(runs) + cpu_row(cpu) + stop_rows(gone))
    return 0


if __name__ == "__main__":
    sys.exit(main())
