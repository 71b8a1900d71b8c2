#!/usr/bin/python3
# Measures drvsetup.exe under Wine (whole runs, CPU while held, dialog stop) and prints bench/run's table.
"""Usage: bench/measure.py ARCH X86_BUILD X64_BUILD PREFIX  (from bench/run:
needs DISPLAY, and BENCH_XVFB_PID for the X server to pin). ARCH is the build
whose runs are timed (x86 or x64); sizes are read for both.

Whole runs are timed twice: first with Wine free to use every CPU, then with
the Wine server, the X server and the programs all on one CPU. Crossing CPUs,
each of the hundreds of Wine server calls a process start makes may wait for
an idle CPU to wake up, and run times turn bimodal; on one CPU they are steady,
so the ratio is read there. The CPU and dialog figures come from the second pass.
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
import rows  # noqa: E402

ROUNDS = 40          # whole runs of each program, interleaved
HOLD_MS = 10000      # how long the stand-in holds the update for the CPU figure
STOP_TRIALS = 20     # dialog stops timed in process
FULL = "C:\\bench\\drvsetup.exe C:\\bench\\x.inf ROOT\\BENCH /s"
LINES = [FULL, "C:\\bench\\bench_floor_user32.exe", "C:\\bench\\bench_floor.exe",
         "C:\\bench\\drvsetup.exe /s"]
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts", "wine-run")
arch = "x86"  # the build being timed, set by main()
EXPECTED_EXIT = [0, 0, 0, 2]


class Failed(Exception):
    pass


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
        done = subprocess.run([WINE_RUN, arch, *args], env=dict(env, DRVSETUP_STUB_DELAY_MS=str(delay_ms)),
                              stdout=out, stderr=subprocess.DEVNULL, timeout=120)
        out.seek(0)
        lines = out.read().decode(errors="replace").splitlines()
    if done.returncode != 0:
        raise Failed("wine %s exited %d: %s" % (args[0], done.returncode, lines[-3:]))
    return lines


def restart_server(env, cpus):
    """Starts the prefix's Wine server (and its services) anew on CPUS, with
    the X server and every program started from here from now on."""
    subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env)
    os.sched_setaffinity(0, cpus)
    os.sched_setaffinity(int(os.environ["BENCH_XVFB_PID"]), cpus)
    subprocess.run(["wineserver", "-p"], env=env, check=True)
    wine(env, "wineboot", "-u")


def whole_runs(env, build, lines):
    wine(env, os.path.join(build, "bench_lifetime.exe"), "1", *lines)  # warm-up, not counted
    runs = [[] for _ in lines]
    for line in wine(env, os.path.join(build, "bench_lifetime.exe"), str(ROUNDS), *lines):
        _, index, _, code, lifetime, wall, windows = line.split()
        index = int(index)
        if int(code) != EXPECTED_EXIT[index]:
            raise Failed("%s exited %s, expected %d" % (lines[index], code, EXPECTED_EXIT[index]))
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


def measure(env, build):
    every_cpu = os.sched_getaffinity(0)
    restart_server(env, every_cpu)
    spread = whole_runs(env, build, LINES[:2])
    restart_server(env, {min(every_cpu)})
    steady = whole_runs(env, build, LINES)
    return spread, steady, held_cpu(env, build), dialog_stops(env, build)


def main():
    global arch
    arch = sys.argv[1]
    builds = {"x86": os.path.abspath(sys.argv[2]), "x64": os.path.abspath(sys.argv[3])}
    env = prepare(os.path.abspath(sys.argv[4]), builds[arch])
    try:
        spread, steady, cpu, gone = measure(env, builds[arch])
    except Failed as e:
        print("bench: " + str(e), file=sys.stderr)
        return 1
    rows.print_table(rows.size_rows(builds) + rows.run_rows(arch, steady, spread, ROUNDS)
                     + rows.cpu_rows(arch, cpu, HOLD_MS) + rows.stop_rows(arch, gone))
    return 0


if __name__ == "__main__":
    sys.exit(main())
