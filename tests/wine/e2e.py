#!/usr/bin/python3
"""End-to-end cases of the real drvsetup.exe under Wine.

Each case hands the program an exact raw command line through runner.exe and
checks its exit code, every message box (text, caption, buttons, and through
Wine's relay trace the owner, caption pointer and style flags), the call the
stand-in newdev.dll logged, the progress dialog, and, for the cases that turn
on DRVSETUP_LOG, the lines of the diagnostic log (each log is also appended
to PREFIX_DIR/e2e-logs.txt).

Usage: e2e.py ARCH BUILD_DIR PREFIX_DIR [CASE NAME...]   (ARCH: x86, x64 or arm64; needs
DISPLAY; the names pick cases of the table, default all; E2E_ONLY=TEXT runs only the cases
whose name holds TEXT)
"""
import os
import re
import shutil
import subprocess
import sys

from e2e_cases import (ARCHS, CASES, INF, USAGE, MISSING, LOG, TEST_INF, VERSIONED, WIDE_FOLDER, LOOKALIKE_FOLDER,
                       versioned_inf)

DIALOG = ["Kavrel Driver Setup",
          b"Please wait while setup is installing some components....",
          "msctls_progress32", "1000"]
WS_SYSMENU = 0x00080000
STRESS_LIMIT_MS = 5000  # generous: a run holds at most 300 ms
PREFIX_WINDOWS = "win10"  # what scripts/wine-prefix has Wine report
# Runs a program (or the Wine server) with the Wine of its architecture.
WINE_RUN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "wine-run")


def x86_road():
    """The x86 road of scripts/lib/road-probe, probed once here when no caller exported it (every
    wine-run would probe again)."""
    if "DRVSETUP_32BIT" not in os.environ:
        out = subprocess.run(["bash", "-c", 'source "$0"; runs_32bit; env -0 | grep -z ^DRVSETUP_',
                              os.path.join(os.path.dirname(WINE_RUN), "lib", "road-probe")], stdout=subprocess.PIPE).stdout
        os.environ.update(kv.split("=", 1) for kv in out.decode().split("\0") if "=" in kv)
    return os.environ.get("DRVSETUP_X86_ROAD", "none")


# Under qemu's emulation a run costs some 20 times as much: a quarter of the stress and
# shared-log runs, each stress run allowed three times as long.
EMULATED = {"arm64"} | ({"x86"} if x86_road() in ("emulated", "explicit") else set())


def unescape(field):
    out, i = bytearray(), 0
    while i < len(field):
        if field[i:i + 1] == b"\\" and i + 1 < len(field):
            out += {b"n": b"\n", b"t": b"\t", b"r": b"\r"}.get(field[i + 1:i + 2], field[i + 1:i + 2])
            i += 2
        else:
            out += field[i:i + 1]
            i += 1
    return bytes(out)


def records(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as f:
        return [[unescape(x) for x in line.split(b"\t")] for line in f.read().splitlines()]


class Prefix:
    def __init__(self, arch, build, prefix):
        self.arch, self.build, self.prefix = arch, build, prefix
        self.c = os.path.join(prefix, "drive_c")
        self.t = os.path.join(self.c, "t")
        # LC_ALL: Wine's ANSI code page is then 1252 on every machine, as the cases expect.
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all,+relay", LC_ALL="C.UTF-8",
                        DRVSETUP_STUB_LOG="C:\\t\\stub.log",
                        DRVSETUP_PLANTED_MARKER="C:\\t\\planted.marker")
        for name in ("DRVSETUP_LOG", "DRVSETUP_RESTART_EXIT_CODE", "DRVSETUP_NO_DEVICE_EXIT_CODE",
                     "DRVSETUP_ONLY_IF_BETTER"):  # only the cases that set them
            self.env.pop(name, None)

    def setup(self):
        shutil.rmtree(self.t, ignore_errors=True)
        for sub in ("app", "planted", "plantedlibs", "dir.inf", "Program Files", WIDE_FOLDER, LOOKALIKE_FOLDER, "Acme"):
            os.makedirs(os.path.join(self.t, sub))
        for name in ("x.inf", "locked.inf", "\xe9t\xe9.inf", "held.log", WIDE_FOLDER + "/x.inf",
                     LOOKALIKE_FOLDER + "/x.inf", "Acme/x.inf"):
            with open(os.path.join(self.t, name), "w") as f:
                f.write(TEST_INF)
        with open(os.path.join(self.t, "nomodels.inf"), "w") as f:
            f.write(TEST_INF.split("[Manufacturer]")[0])  # what the store takes as an INF, offering nothing
        for name, decoration in VERSIONED.items():
            with open(os.path.join(self.t, name), "w") as f:
                f.write(versioned_inf(decoration))
        exe = os.path.join(self.build, "drvsetup.exe")
        shutil.copy(exe, os.path.join(self.t, "app", "drvsetup.exe"))
        shutil.copy(os.path.join(self.build, "drvremove.exe"), os.path.join(self.t, "app", "drvremove.exe"))
        shutil.copy(exe, os.path.join(self.t, "planted", "drvsetup.exe"))
        shutil.copy(os.path.join(self.build, "planted_newdev.dll"),
                    os.path.join(self.t, "planted", "newdev.dll"))
        # Libraries Wine's own newdev.dll imports, planted beside a copy of the program.
        shutil.copy(exe, os.path.join(self.t, "plantedlibs", "drvsetup.exe"))
        for name in ("version.dll", "setupapi.dll"):
            shutil.copy(os.path.join(self.build, "planted_newdev.dll"), os.path.join(self.t, "plantedlibs", name))
        self.wine("reg", "add", "HKCU\\Software\\Wine\\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                  "/d", "user32.MessageBoxA", "/f")

    def wine(self, *args, env=None, timeout=120):
        """Runs wine; returns its stderr. Output goes through a file, not a
        pipe: services that Wine starts keep inherited pipes open."""
        with open(os.path.join(self.prefix, "stderr.txt"), "w+b") as err:
            subprocess.run([WINE_RUN, self.arch, *args], env=env or self.env, stdout=subprocess.DEVNULL,
                           stderr=err, timeout=timeout)
            err.seek(0)
            return err.read()

    def start_server(self):
        env = dict(self.env, WINEDEBUG="-all")
        # A server left by a run that was stopped would refuse the persistent one.
        subprocess.run([WINE_RUN, self.arch, "wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([WINE_RUN, self.arch, "wineserver", "-p"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        subprocess.run([WINE_RUN, self.arch, "wineboot", "-u"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

    def stop_server(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def install_newdev(self, kind):
        target = os.path.join(self.c, "windows", "system32", "newdev.dll")
        source = {"stub": "newdev_stub.dll", "noexport": "noexport_newdev.dll"}.get(kind)
        if source:
            shutil.copy(os.path.join(self.build, source), target)
        return "newdev=n" if source else "newdev=b" if kind == "builtin" else "newdev=d"

    def set_windows(self, version):
        """Has Wine report VERSION (win7, win10) to the processes started from now on."""
        env = dict(self.env, WINEDEBUG="-all")
        done = subprocess.run([WINE_RUN, self.arch, "reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/t",
                               "REG_SZ", "/d", version, "/f"], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=120)
        if done.returncode != 0:
            raise RuntimeError("Wine could not be set to report %s: reg add exited %d" % (version, done.returncode))

    def run(self, case):
        if "windows" not in case:
            return self.run_as_prefix(case)
        self.set_windows(case["windows"])
        try:
            return self.run_as_prefix(case)
        finally:
            self.set_windows(PREFIX_WINDOWS)

    def run_as_prefix(self, case):
        for log in ("stub.log", "planted.marker", "out.txt", "drvsetup.log"):
            if os.path.exists(os.path.join(self.t, log)):
                os.remove(os.path.join(self.t, log))
        with open(os.path.join(self.t, "line.bin"), "wb") as f:
            f.write(case["line"])
        overrides = ";".join(filter(None, [self.install_newdev(case.get("newdev", "stub")), case.get("overrides")]))
        env = dict(self.env, WINEDLLOVERRIDES=overrides,
                   WINEDEBUG="-all,+relay" if case.get("relay", True) else "-all",
                   DRVSETUP_STUB_RESULT=str(case.get("result", 1)),
                   DRVSETUP_STUB_DELAY_MS=str(case.get("delay", 0)),
                   DRVSETUP_STUB_ERROR=case.get("error", ""),
                   DRVSETUP_STUB_REBOOT=str(case.get("reboot", 1)))
        if "restart" in case:
            env["DRVSETUP_RESTART_EXIT_CODE"] = case["restart"]
        if "nodevice" in case:
            env["DRVSETUP_NO_DEVICE_EXIT_CODE"] = case["nodevice"]
        if "better" in case:
            env["DRVSETUP_ONLY_IF_BETTER"] = case["better"]
        infs = os.path.join(self.c, "windows", "inf")
        if case.get("prestaged"):  # as Wine's SetupCopyOEMInfA stages it: under its own name
            shutil.copy(os.path.join(self.t, "x.inf"), os.path.join(infs, "x.inf"))
            open(os.path.join(infs, "x.pnf"), "wb").close()
        for name in case.get("copy_as", ()):
            shutil.copy(os.path.join(self.t, "x.inf"), os.path.join(infs, name))
        before = set(os.listdir(infs))
        if "log" in case or "log_path" in case or "shared_log" in case:
            env["DRVSETUP_LOG"] = case.get("log_path", LOG)
        app = "C:\\t\\%s\\%s.exe" % (case.get("folder", "app"), case.get("program", "drvsetup"))
        args = [os.path.join(self.build, "runner.exe"), app, "C:\\t\\line.bin", "C:\\t\\out.txt"]
        for option in ("lock", "lockrange", "cwd", "runs", "concurrent", "pipe"):
            if case.get(option):
                args.append("%s=%s" % (option, case[option]))
        for flag in ("wide", "hidden"):
            if case.get(flag):
                args.append(flag)
        if case.get("stress"):
            args += ["stress=%d" % case["stress"], "timeout=%d" % case["limit"]]
        stderr = self.wine(*args, env=env, timeout=300 if case.get("stress") else 120)
        if not records(os.path.join(self.t, "out.txt")):  # runner.exe itself never ran: Wine, not the case
            said = [l.decode(errors="replace") for l in stderr.splitlines() if l.strip() and b":trace:" not in l]
            print("     runner.exe recorded nothing: run again once; Wine's last words: %r" % said[-3:])
            stderr = self.wine(*args, env=env, timeout=300 if case.get("stress") else 120)
        relay = [l for l in stderr.split(b"\n") if b"Call user32.MessageBoxA(" in l]
        self.staged = [n for n in set(os.listdir(infs)) - before if self.same_text(os.path.join(infs, n))]
        self.left = [n for n in ("x.inf", "x.pnf") if case.get("prestaged") and os.path.exists(os.path.join(infs, n))]
        self.copies_left = [n for n in case.get("copy_as", ()) if os.path.exists(os.path.join(infs, n))]
        self.left += self.copies_left
        for name in self.staged + self.left:  # each case starts with the store as the prefix had it
            os.remove(os.path.join(infs, name))
        return (records(os.path.join(self.t, "out.txt")), records(os.path.join(self.t, "stub.log")),
                relay, records(os.path.join(self.t, "planted.marker")), self.read_log(case))

    def same_text(self, path):
        """True when the file holds a test INF's text: the package staged in the driver store."""
        with open(path, "rb") as f:
            text = f.read()
        for name in ("x.inf", "nomodels.inf", *VERSIONED):
            with open(os.path.join(self.t, name), "rb") as f:
                if f.read() == text:
                    return True
        return False

    def read_log(self, case):
        path = os.path.join(self.t, "drvsetup.log")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            text = f.read()
        with open(os.path.join(self.prefix, "e2e-logs.txt"), "ab") as f:
            f.write(b"== " + case["name"].encode() + b"\n" + text)
        return text


def expected_box(box):
    if box is None:
        return None
    if box == "usage":
        return USAGE, b"Infos sur les parametres", 0x40
    if box == "missing":
        return MISSING, b"Infos sur les parametres", 0x40
    return b"Le chemin " + box[1] + b" n'existe pas! ", None, 0x10


RELAY = re.compile(rb'Call user32\.MessageBoxA\(([0-9a-f]+),[0-9a-f]+ ".*"(?:\.\.\.)?,([0-9a-f]+)(?: "[^"]*")?,([0-9a-f]+)\) ret=')


def check_boxes(case, out, relay, fail):
    boxes = [r for r in out if r[0] == b"box"]
    want = expected_box(case.get("box"))
    if want is None:
        if boxes or relay:
            fail("unexpected box: %r" % (boxes or relay))
        return
    if len(boxes) != 1:
        return fail("expected one box, saw %r" % boxes)
    text, caption, style = want
    _, shown_caption, shown_text, buttons, icon = boxes[0]
    if shown_text != text and case.get("text", True):
        fail("box text %r, expected %r" % (shown_text[:200], text[:200]))
    if shown_caption != (caption or b"Error"):
        fail("box caption %r" % shown_caption)
    if buttons != b"1" or icon != b"icon":
        fail("box buttons %r, icon %r" % (buttons, icon))
    if not case.get("relay", True):
        return
    m = RELAY.search(relay[0]) if len(relay) == 1 else None
    if not m:
        return fail("relay trace: %r" % relay)
    owner, caption_ptr, flags = (int(g, 16) for g in m.groups())
    if owner != 0 or flags != style or (caption is None) != (caption_ptr == 0):
        fail("MessageBoxA owner %x caption %x flags %x" % (owner, caption_ptr, flags))


def check_removal(case, calls, fail):
    """The stand-in DiUninstallDriverA's one call: null owner, the published INF, flags 0."""
    want = case.get("removal")
    removals = [c for c in calls if c[0] == b"uninstall"]
    if want is None:
        if removals:
            fail("unexpected removal: %r" % removals)
        return
    inf, silent = want
    if len(removals) != 1 or len(removals[0]) != 5 or int(removals[0][1], 16) != 0 \
            or not inf.fullmatch(removals[0][2]) or removals[0][3:] != [b"0", b"reboot" if silent else b"noreboot"]:
        fail("removal %r, expected a null owner, %r, flags 0" % (removals, inf))


def check_call(case, calls, fail):
    check_removal(case, calls, fail)
    calls = [c for c in calls if c[0] != b"uninstall"]
    want = case.get("call")
    if want is None:
        if calls:
            fail("unexpected driver update: %r" % calls)
        return
    hwid, inf, silent = want
    expected = [hwid, inf, case.get("flags", b"1"), b"reboot" if silent else b"noreboot"]
    if hasattr(inf, "fullmatch") and len(calls) == 1 and len(calls[0]) > 3 and inf.fullmatch(calls[0][3]):
        expected[1] = calls[0][3]  # a pattern: any INF path it matches
    if len(calls) != 1 or calls[0][0] != b"call" or int(calls[0][1], 16) != 0 \
            or calls[0][2:] != expected:
        fail("driver update %r, expected a null owner and %r" % (calls, expected))


def check_dialog(case, out, fail):
    dialogs = [r for r in out if r[0] == b"dialog"]
    if not case.get("dialog"):
        # A quick update or removal that a person could see may end before its dialog is drawn,
        # or just after: there the dialog is neither required nor refused.
        brief = (case.get("call") or case.get("removal")) and not case.get("hidden") and not case.get("delay")
        if dialogs and not brief:
            fail("unexpected progress dialog: %r" % dialogs)
        return
    if len(dialogs) != 1:
        return fail("expected the progress dialog, saw %r" % dialogs)
    _, caption, label, cls, ctrl, style, rng, positions = dialogs[0]
    if [caption.decode(), label, cls.decode(), ctrl.decode()] != DIALOG:
        fail("dialog %r" % dialogs[0])
    if int(style, 16) & WS_SYSMENU:
        fail("dialog has a system menu: style %s" % style)
    if rng != b"0-100":
        fail("bar range %r" % rng)
    steps = [int(p) for p in positions.split(b",")]
    rises = [b - a for a, b in zip(steps, steps[1:]) if b > a]
    # The runner polls every 20 ms and can miss a tick, under emulation or on a loaded machine:
    # a rise of 8 is two steps of 4.
    wrong = [r for r in rises if r % 4]
    if len(steps) < 2 or wrong or not rises:
        fail("bar positions %r do not advance by 4" % positions)


def check_stress(case, out, fail):
    runs = [r for r in out if r[0] == b"stress"]
    if len(runs) != case["stress"]:
        fail("%d stress runs recorded of %d" % (len(runs), case["stress"]))
    for _, delay, result, code, ms in runs:
        want = b"0" if result == b"1" else b"5"
        if code != want or int(ms) > case["limit"]:
            fail("stand-in delay %s ms, result %s: exit %s after %s ms" % (
                delay.decode(), result.decode(), code.decode(), ms.decode()))
    slowest = max([int(r[4]) for r in runs] or [0])
    print("     %d runs, slowest %d ms" % (len(runs), slowest))


def check_shared_log(case, out, log, fail):
    """Every run's exit code, and every line of every run whole and in its block's order."""
    runs, kinds = case["runs"], [re.compile(rb"^" + k + rb"\r$") for k in case["shared_log"]]
    codes = sorted((int(r[1]), r[2]) for r in out if r[0] == b"run")
    if codes != [(n, str(case["exit"]).encode()) for n in range(runs)]:
        fail("runs and exit codes: %r" % [c for c in codes if c[1] != str(case["exit"]).encode()][:10])
    lines = (log or b"").split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    count, torn, seen = [0] * len(kinds), [], {}
    for line in lines:
        kind = next((i for i, k in enumerate(kinds) if k.match(line)), None)
        if kind is None:
            torn.append(line)
            continue
        count[kind] += 1
        number = kinds[kind].match(line).groups()
        if number:
            seen.setdefault(int(number[0]), []).append(kind)
    print("     %d runs: %d lines expected, %d found, %d torn" % (
        runs, runs * len(kinds), len(lines), len(torn)))
    if torn:
        fail("lines that are no whole line of a block: %r" % torn[:5])
    if count != [runs] * len(kinds):
        fail("lines of each kind: %r, expected %d each" % (count, runs))
    numbered = sorted(i for i, k in enumerate(kinds) if k.groups)
    disordered = [n for n in range(runs) if seen.get(n) != numbered]
    if disordered:
        fail("runs whose numbered lines are missing or out of order: %r" % disordered[:10])


def check_held(case, out, fail):
    low, high = case["held_ms"]
    elapsed = [int(r[1]) for r in out if r[0] == b"elapsed"]
    if len(elapsed) != 1 or not low <= elapsed[0] <= high:
        fail("ran %r ms with the log's lock held elsewhere, expected %d to %d" % (elapsed, low, high))


def check_log(case, log, fail):
    """Each pattern of the case's log list must match, in order, within one block."""
    want = case.get("log")
    if want is None:
        if log is not None:
            fail("a log was written: %r" % log[:200])
        return
    if log is None:
        return fail("no log written")
    if len(re.findall(rb"^---- drv(?:setup|remove) run ", log, re.M)) != 1 or not log.endswith(b"\r\n"):
        fail("expected one whole block: %r" % log[:300])
    at = 0
    for pattern in want:
        m = re.compile(pattern, re.M).search(log, at)
        if not m:
            return fail("log lacks %r after byte %d:\n%s" % (pattern, at, log.decode("latin-1")))
        at = m.end()


def for_arch(case, arch):
    """The case as it runs on this build: fewer, longer runs under emulation."""
    emulated = arch in EMULATED
    case = dict(case, emulated=emulated, limit=STRESS_LIMIT_MS * (3 if emulated else 1))
    if emulated and case.get("dialog"):  # the dialog takes longer to come up: hold it longer
        case["delay"] *= 3
    if case.get("log"):  # the build runs on Windows of its own architecture here
        case["log"] = [p.replace(b"@ARCH@", arch.encode()) for p in case["log"]]
    for many in ("stress", "runs"):
        if emulated and case.get(many):
            case[many] //= 4
    return case


def check(case, result):
    out, calls, relay, planted, log = result
    errors = []
    fail = errors.append
    if case.get("stress"):
        check_stress(case, out, fail)
        return errors
    if case.get("runs"):
        check_shared_log(case, out, log, fail)
        return errors
    if case.get("held_ms"):
        check_held(case, out, fail)
    exits = [r for r in out if r[0] in (b"exit", b"timeout")]
    if exits != [[b"exit", str(case["exit"]).encode()]]:
        fail("exit %r, expected %d" % (exits, case["exit"]))
    check_boxes(case, out, relay, fail)
    check_call(case, calls, fail)
    check_dialog(case, out, fail)
    check_log(case, log, fail)
    # Wine's own user32 imports version.dll, which the loader takes from beside the program with
    # the process, before any of its code runs: only a library loaded later is the program's.
    for _, name, when in planted:
        if when == b"late":
            fail("a library planted beside the program was loaded: %s" % name.decode(errors="replace"))
        else:
            print("     note: %s was loaded with the process, by Wine's own libraries" % name.decode(errors="replace"))
    return errors


def main():
    arch, build, prefix = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    chosen = sys.argv[4:]
    unknown = set(chosen) - {case["name"] for case in CASES}
    if unknown:
        print("FAIL no such cases: %s" % sorted(unknown))
        return 1
    wine = Prefix(arch, build, prefix)
    wine.start_server()
    wine.setup()
    if os.path.exists(os.path.join(prefix, "e2e-logs.txt")):
        os.remove(os.path.join(prefix, "e2e-logs.txt"))
    passed = failed = 0
    for case in CASES:
        if arch not in case.get("arch", ARCHS) or os.environ.get("E2E_ONLY", "") not in case["name"] \
                or (chosen and case["name"] not in chosen):
            continue
        case = for_arch(case, arch)
        try:
            result = wine.run(case)
            errors = check(case, result)
            if case.get("copy_as") and (len(wine.copies_left) != 1 or result[4] is not None and
                                        ("\\%s] holds" % wine.copies_left[0]).encode() not in result[4]):
                errors.append("of %r these stay, not one the log names: %r" % (case["copy_as"], wine.copies_left))
            if case.get("prestaged") and bool(wine.left) != bool(case.get("kept")):
                errors.append("left in C:\\windows\\inf: %r" % wine.left)
            if bool(wine.staged) != bool(case.get("staged")):
                errors.append("packages staged in C:\\windows\\inf: %r" % wine.staged)
            elif wine.staged:
                print("     staged as C:\\windows\\inf\\%s" % wine.staged[0])
        except subprocess.TimeoutExpired as e:  # one hung case must not hide the others' results
            errors = ["runner.exe did not end within %d s" % e.timeout]
        except RuntimeError as e:
            errors = [str(e)]
        if errors:
            failed += 1
            print("FAIL %s %s: %r" % (arch, case["name"], case["line"][:120]))
            for e in errors:
                print("  - " + e)
        else:
            passed += 1
            print("ok   %s %s" % (arch, case["name"]))
    wine.stop_server()
    print("wine %s: %d passed, %d failed" % (arch, passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
