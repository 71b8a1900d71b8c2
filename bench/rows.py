# The rows of bench/run's table: sizes and imports read here, the rest from bench/measure.py's figures.
import os
import statistics
import subprocess
import tempfile

import pefile

SIZE_TARGET = 24 * 1024
RATIO_TARGET = 1.10
CPU_TARGET_S = 0.2
STOP_TARGET_MS = 250
TRIPLES = {"x86": "i686-w64-mingw32", "x64": "x86_64-w64-mingw32"}


def stripped_size(arch, exe):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "s.exe")
        subprocess.run([TRIPLES[arch] + "-strip", "-o", out, exe], check=True)
        return os.path.getsize(out)


def imports(exe):
    pe = pefile.PE(exe, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    names = (e.dll.decode() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    return ", ".join(sorted(names, key=str.lower))


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
        remover = stripped_size(arch, os.path.join(build, "drvremove.exe"))
        rows.append(("1", "drvremove.exe %s, stripped" % arch, kib(remover), ""))
    for arch, build in builds.items():
        for name, label in (("drvsetup.exe", "drvsetup.exe"), ("bench_floor.exe", "floor")):
            rows.append(("2", "imports, %s %s" % (label, arch),
                         imports(os.path.join(build, name)), ""))
    return rows


def median(runs):
    return statistics.median(r[0] for r in runs)


def timing(runs):
    return "%.1f ms (runs %.1f-%.1f; wall %.1f)" % (
        median(runs), min(r[0] for r in runs), max(r[0] for r in runs),
        statistics.median(r[1] for r in runs))


def run_rows(arch, steady, spread, rounds):
    full, floor_user32, floor, switch_only = steady
    ratio = median(full) / median(floor_user32)
    windows = sum(1 for r in full + spread[0] if r[2] > 0)
    what = "whole run %s, one CPU, median of %d: " % (arch, rounds)
    return [
        ("3", what + "drvsetup.exe silent, stand-in returns at once", timing(full), ""),
        ("3", what + "do-nothing WinMain importing USER32.dll", timing(floor_user32), ""),
        ("3", "overhead ratio %s, drvsetup.exe / do-nothing with USER32.dll, one CPU" % arch,
         "%.2f" % ratio, "<= %.2f: %s" % (RATIO_TARGET, verdict(ratio <= RATIO_TARGET))),
        ("3", what + "bare do-nothing WinMain", timing(floor)
         + "; drvsetup.exe / this %.2f" % (median(full) / median(floor)), ""),
        ("3", "same ratio with Wine on every CPU (bimodal run times)",
         "%.2f (%s vs %s)" % (median(spread[0]) / median(spread[1]), timing(spread[0]),
                              timing(spread[1])), ""),
        ("3", "timed runs in which drvsetup.exe created any window (its dialog)",
         "%d of %d" % (windows, 2 * rounds), ""),
        ("3", what + "drvsetup.exe /s, which exits 2 before any work", timing(switch_only), ""),
    ]


def cpu_rows(arch, cpu, hold_ms):
    shown_ms, watched_ms, cpu_ms, total_ms = cpu
    tick_ms = 1000 / os.sysconf("SC_CLK_TCK")
    return [("4", "CPU of drvsetup.exe %s while the stand-in holds %d s, dialog on screen"
             % (arch, hold_ms // 1000),
             "%.3f s (%d ticks of %.0f ms) over %.2f s watched; %.3f s since start, dialog up"
             " after %.0f ms" % (cpu_ms / 1000, round(cpu_ms / tick_ms), tick_ms,
                                 watched_ms / 1000, total_ms / 1000, shown_ms),
             "<= %.1f s: %s" % (CPU_TARGET_S, verdict(cpu_ms / 1000 <= CPU_TARGET_S)))]


def stop_rows(arch, gone):
    trials = len(gone)
    return [("5", "stop to dialog destroyed, %s, in process, median of %d" % (arch, trials),
             "%.1f ms" % statistics.median(gone), ""),
            ("5", "stop to dialog destroyed, %s, max of %d" % (arch, trials), "%.1f ms" % max(gone),
             "<= %d ms: %s" % (STOP_TARGET_MS, verdict(max(gone) <= STOP_TARGET_MS)))]


def print_table(rows):
    print("| # | figure | measured | target |")
    print("|---|---|---|---|")
    for row in rows:
        print("| %s |" % " | ".join(cell or "-" for cell in row))
