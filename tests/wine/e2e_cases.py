"""The table of end-to-end cases: one raw command line each, with its outcome.

line: the exact raw command line. exit: the exit code. box: None, "usage",
"missing" or ("path", path). call: (hardware ID, INF path, silent) that the
stand-in newdev.dll must log, or None. dialog: the progress dialog must be
seen (the stand-in holds long enough). Optional: result and delay of the
stand-in, newdev ("stub", "noexport", "none"), lock (a path held open
without sharing), cwd (the program's working directory), stress (that many
runs with random stand-in delays and verdicts, each checked for its exit
code and time), folder (where the program runs from), arch (the builds it
runs on, default ARCHS), relay (False to skip the trace of MessageBoxA's
arguments), text (False to skip the comparison of the box's text), error
(the stand-in's last error on FALSE, hexadecimal), reboot (the restart
report it leaves, default 1), log (DRVSETUP_LOG is set to LOG, and these
regular expressions, @ARCH@ standing for the build's architecture, must match
its one block in order), log_path (DRVSETUP_LOG set to this instead, a
place that cannot be written). wide: the line is UTF-8 and reaches the program
as its wide command line; its narrow one is Wine's conversion to the ANSI code
page 1252, a ? for each character outside it; the INF path of call may then
be a compiled pattern. runs and concurrent: the line, "{n}" replaced
by each run's number, run that many times in all, that many at once, every
run with its exit code and every log line whole (shared_log: the kinds of
line each run writes once, a group catching the run's number). lockrange:
another process holds the log's lock on that path while the program runs,
which must end within held_ms. pipe: the runner makes a named pipe of that
name with no buffer and never reads it, so that a write to it waits for ever.
restart: DRVSETUP_RESTART_EXIT_CODE is set to this text (unset without it); the
exit code is read whole, as GetExitCodeProcess gives it. newdev "builtin" is Wine's
own; overrides are added to WINEDLLOVERRIDES. hidden: the program runs in a window
station of its own, which has no screen, as under a service; flags: the update's
flags the stand-in must log (default 1). nodevice: DRVSETUP_NO_DEVICE_EXIT_CODE
is set to this text; staged: a copy of the INF must then be in C:\windows\inf
(none without it). copy_as: copies of x.inf are put in C:\windows\inf under these
names before the run; exactly one must stay, and a log must name it. windows: the
version Wine reports for this case ("win7"; the prefix reports "win10", as
scripts/wine-prefix sets it, and is set back after).
"""
import re

from table_rows import rows as table_rows

USAGE = (b"Les parametres possibles sont\n le chemin d'acces \n l'hardware ID \n"
         b" mode silencieux (optionnel)")
MISSING = b"Il manque le chemin d'acces ou l'hardware ID"
INF = b"C:\\t\\x.inf"
NOINF = b"C:\\t\\missing.inf"
LONG = b"C:\\t\\" + b"d" * 400 + b".inf"
HUGE = b"C:\\t\\" + b"h" * (32766 - len(b"drvsetup.exe  ID") - 5)
BIGGEST = b"C:\\t\\" + b"b" * (32766 - len(b"Le chemin  n'existe pas! ") - 5)
PF = b'"C:\\t\\Program Files\\drvsetup.exe"'
HELD = 1500  # ms the stand-in holds the update, so the dialog can be watched
LOG = "C:\\t\\drvsetup.log"
ARCHS = ("x86", "x64", "arm64")
LOCK_WAIT = 1000  # ms a run waits for the log's lock in all, as the program sets it
# A run that waited for the lock held elsewhere would last until the runner ends it at 20 s; a
# loaded machine, under emulation, can add seconds to a run that gave up in time.
LOCK_HANG = 15000
# The block of `drvsetup.exe C:\nope.inf HW\<n> word<n> extra`: every kind of line it writes.
SHARED_LOG = [
    rb"---- drvsetup run \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} local time, process \d+",
    rb"architecture: (?:x86|x64|arm64) build on (?:x86|x64|arm64) Windows \(from IsWow64Process2?\)",
    rb"command line: \[drvsetup\.exe C:\\nope\.inf HW\\(\d+) word\1 extra\]",
    rb"tokens: 4",
    rb"token 0: \[drvsetup\.exe\]",
    rb"token 1: \[C:\\nope\.inf\]",
    rb"token 2: \[HW\\(\d+)\]",
    rb"token 3: \[word(\d+) extra\]",
    rb"road: the rest of the line after the hardware ID is not exactly /s",
    rb"exit code 5: failure \(see the road and the update above\)",
]
# A folder whose name lies outside code page 1252, holding x.inf; its narrow form.
WIDE_FOLDER = "\u041f\u0440\u0438\u043c\u0435\u0440"
WIDE = b"C:\\t\\" + WIDE_FOLDER.encode() + b"\\"
LOST = b"C:\\t\\??????\\"
# Outside code page 1252, a folder that the narrow line names as its look-alike C:\t\Acme, which
# holds a decoy x.inf.
LOOKALIKE_FOLDER = "\u0100cme"
LOOKALIKE = b"C:\\t\\" + LOOKALIKE_FOLDER.encode() + b"\\"
# x.inf through the folder's 8.3 short name: printable ASCII but ? and backslash.
NAME_CHAR = rb"[!->@-\[\]-~]"
SHORT_INF = re.compile(rb"C:\\t\\%s{1,8}~%s{1,3}\\x\.inf" % (NAME_CHAR, NAME_CHAR))


# The test INF: ID (a hardware ID) and COMPAT\ID (a compatible one) for every platform, one ID
# for each platform's section alone, and one in the undecorated section, which a decorated entry
# keeps from being read.
TEST_INF = """[Version]
Signature="$Windows NT$"

[Manufacturer]
%Vendor% = Models, NTx86, NTamd64, NTarm64, NTia64

[Models]
%Device% = Install, ONLY\\UNDECORATED
""" + "".join("""
[Models.NT%s]
%%Device%% = Install, ID
%%Device%% = Install, HW\\MAIN, COMPAT\\ID
%%Device%% = Install, ONLY\\%s
""" % (platform, platform.upper()) for platform in ("x86", "amd64", "arm64", "ia64")) + """
[Install]

[Strings]
Vendor = "Test"
Device = "Test device"
"""
NO_MODELS = b"C:\\t\\nomodels.inf"
# Test INFs offering ID through one [Manufacturer] entry decorated for each platform at one Windows
# version (name: decoration after NTx86, NTamd64 and NTarm64; None: no decoration at all): 6.1 is
# Windows 7, 10.0...16299 Windows 10 1709 as Microsoft's driver samples name it, and build 99999
# later than any Windows yet.
VERSIONED = {"nt61.inf": ".6.1", "nt16299.inf": ".10.0...16299", "nt99999.inf": ".10.0...99999",
             "undecorated.inf": None}
NT61, NT16299, NT99999, UNDECORATED = (b"C:\\t\\" + name.encode() for name in VERSIONED)
OLD = ("x86", "x64")  # the builds Windows 7 had


def versioned_inf(decoration):
    """The text of a test INF of VERSIONED."""
    suffixes = [""] if decoration is None else [".NT%s%s" % (p, decoration) for p in ("x86", "amd64", "arm64")]
    return ("[Version]\nSignature=\"$Windows NT$\"\n\n[Manufacturer]\n%Vendor% = Models"
            + "".join(", " + suffix[1:] for suffix in suffixes if suffix) + "\n"
            + "".join("\n[Models%s]\n%%Device%% = Install, ID\n" % suffix for suffix in suffixes)
            + "\n[Install]\n\n[Strings]\nVendor = \"Test\"\nDevice = \"Test device\"\n")


STAGED = re.compile(rb"[Cc]:\\[Ww]indows\\[Ii][Nn][Ff]\\x\.inf")  # x.inf as Wine stages it
# Two copies of x.inf under other names: the store names one, and the other stays.
COPIES = ("copy-a.inf", "copy-b.inf")
COPY = re.compile(rb"[Cc]:\\[Ww]indows\\[Ii][Nn][Ff]\\copy-[ab]\.inf")
ERROR_HINTS = [  # the update's error, its name and the start of its hint
    ("E0000244", b"ERROR_SIGNATURE_OSATTRIBUTE_MISMATCH", b"the package's signature does not cover this version"),
    ("E0000247", b"ERROR_DRIVER_STORE_ADD_FAILED", b"Windows could not add the package to the driver store: most often its signature (the catalog "
     b"unsigned"),
    ("E0000248", b"ERROR_DEVICE_INSTALL_BLOCKED", b"a device installation restriction policy blocks"),
    ("E0000249", b"ERROR_DRIVER_INSTALL_BLOCKED", b"Windows blocks this driver"),
    ("E000024B", b"ERROR_FILE_HASH_NOT_IN_CATALOG", b"a file of the package is not in its catalog"),
    ("4C7", b"ERROR_CANCELLED", b"a person declined a prompt"),
    ("800B0100", b"TRUST_E_NOSIGNATURE", b"the driver package is unsigned or its signer is not trusted: sign "
     b"its catalog file; since Windows 10 1607 a kernel-mode driver loads only when Microsoft signed it"),
]


def lit(text):
    """A log line's start, matched literally."""
    return b"^" + re.escape(text)


def update_lines(hwid, inf, silent):
    """The log's lines from loading the library to the call."""
    mode = b"restart report address (silent)" if silent else b"no restart report address (normal)"
    return [lit(b"update: library loaded: ") + rb"[Cc]:\\[Ww]indows\\[Ss]ystem32\\newdev\.dll\r$",
            lit(b"update: UpdateDriverForPlugAndPlayDevicesA found\r"),
            lit(b"update: calling it with hardware ID [%s], INF [%s]\r" % (hwid, inf)),
            lit(b"update: flags 1 (INSTALLFLAG_FORCE), no owner window, " + mode)]


def case(name, line, exit, box=None, call=None, **more):
    return dict(name=name, line=line, exit=exit, box=box, call=call, **more)


def table_cases(program):
    """Each row of the program's decision table through the real program, its road in the log: x.inf
    for {i}, and for {h} an ID the stand-in logs; an install holds long enough to see its dialog. A
    removal finds nothing in the store to remove."""
    cases = []
    for number, row in enumerate(table_rows(program)):
        line = row["sample"].encode().replace(b"{i}", INF).replace(b"{h}", b"PCI\\VEN_8086")
        go, more = row["outcome"] != "STOP", {}
        if go and program == "drvsetup":
            more = dict(call=(line.split()[2], INF, row["outcome"] == "GO_SILENT"), delay=HELD, dialog=True)
        cases.append(case("table: %s row %d: %s" % (program, number, row["road"]), line, row["exit"], row["box"],
                          program=program, log=[lit(b"road: %s\r" % row["road"].encode()), lit(b"exit code %d: " % row["exit"])],
                          **more))
    return cases


# An empty raw line cannot be handed over under Wine (it passes the program
# path instead); the unit tests cover it.
CASES = [
    *table_cases("drvsetup"),
    *table_cases("drvremove"),
    case("program name and trailing blanks", b"drvsetup.exe  \t ", 1, "usage"),
    case("upper-case switch alone", b"drvsetup.exe /S", 3, "missing"),
    case("quoted program path with a blank", PF, 3, "missing"),
    case("tabs and runs of blanks", b"drvsetup.exe\t\t" + INF + b"   \tID\t /s", 0,
         call=(b"ID", INF, True)),
    case("quoted INF path", b'"drvsetup.exe" "' + INF + b'" "ID"', 0, call=(b"ID", INF, False)),
    case("quoted switch", b"drvsetup.exe " + INF + b' ID "/s"', 0, call=(b"ID", INF, True)),
    case("update returns FALSE", b"drvsetup.exe " + INF + b" ID", 5, call=(b"ID", INF, False),
         result=0),
    case("update returns FALSE, silent", b"drvsetup.exe " + INF + b" ID /s", 5,
         call=(b"ID", INF, True), result=0),
    case("no newdev.dll", b"drvsetup.exe " + INF + b" ID /s", 5, newdev="none"),
    case("newdev.dll without the function", b"drvsetup.exe " + INF + b" ID", 5,
         newdev="noexport"),
    case("trailing blank after switch", b"drvsetup.exe " + INF + b" ID /s ", 5),
    case("words after switch", b"drvsetup.exe " + INF + b" ID /s now", 5),
    case("quoted program path with a blank, install", PF + b" " + INF + b" ID", 5),
    case("quoted program path with a blank, silent", PF + b" " + INF + b" ID /s", 5),
    case("quoted INF path with a blank", b'drvsetup.exe "C:\\t\\Program Files\\x.inf" ID', 5),
    case("missing INF", b"drvsetup.exe " + NOINF + b" ID", 6, ("path", NOINF)),
    case("missing INF, silent", b"drvsetup.exe " + NOINF + b" ID /s", 6, ("path", NOINF)),
    case("missing quoted INF", b'drvsetup.exe "' + NOINF + b'" ID', 6, ("path", NOINF)),
    case("switch as INF path", b"drvsetup.exe /s ID /s", 6, ("path", b"/s")),
    case("INF path names a folder", b"drvsetup.exe C:\\t\\dir.inf ID", 6, ("path", b"C:\\t\\dir.inf")),
    case("INF held open without sharing", b"drvsetup.exe C:\\t\\locked.inf ID", 6,
         ("path", b"C:\\t\\locked.inf"), lock="C:\\t\\locked.inf"),
    case("path of 400 characters", b"drvsetup.exe " + LONG + b" ID", 6, ("path", LONG)),
    # The platform's message box shows texts of at most 32,766 characters, and
    # Wine's relay trace stalls on them: here only the box and the code count.
    case("path box of 32766 characters", b"drvsetup.exe " + BIGGEST + b" ID", 6,
         ("path", BIGGEST), relay=False),
    # x86 only: 64-bit Wine's user32 (x64 and arm64) faults on a box text over 32,766 characters.
    case("line of 32766 characters", b"drvsetup.exe " + HUGE + b" ID", 6, ("path", HUGE),
         relay=False, text=False, arch=("x86",)),
    case("bytes outside ASCII, missing", b"drvsetup.exe C:\\t\\\xe0\x80\xff.inf ID", 6,
         ("path", b"C:\\t\\\xe0\x80\xff.inf")),
    case("bytes outside ASCII, install", b"drvsetup.exe C:\\t\\\xe9t\xe9.inf ID\xe9\xfc", 0,
         call=(b"ID\xe9\xfc", b"C:\\t\\\xe9t\xe9.inf", False)),
    # The update gets the full path of the file that was checked.
    case("relative INF path", b"drvsetup.exe x.inf ID /s", 0, call=(b"ID", INF, True), cwd="C:\\t"),
    case("relative INF path with a folder", b"drvsetup.exe t\\x.inf ID", 0, call=(b"ID", INF, False),
         cwd="C:\\"),
    case("forward slashes", b"drvsetup.exe C:/t/x.inf ID /s", 0, call=(b"ID", INF, True)),
    case("missing relative INF", b"drvsetup.exe missing.inf ID", 6, ("path", b"missing.inf"),
         cwd="C:\\t"),
    case("newdev.dll planted beside the program", b"drvsetup.exe " + INF + b" ID /s", 0,
         call=(b"ID", INF, True), folder="planted"),
    # Wine's own newdev.dll imports both; native first, as Windows takes a library that is not a
    # KnownDLL. It installs nothing for an ID no device has, and says it succeeded.
    case("version.dll and setupapi.dll planted beside the program, native first",
         b"drvsetup.exe " + INF + b" ID /s", 0, folder="plantedlibs", newdev="builtin",
         overrides="version,setupapi=n,b"),
    # The diagnostic log: one block per run, the outcome unchanged.
    case("log: missing INF", b"drvsetup.exe " + NOINF + b" ID", 6, ("path", NOINF),
         log=[rb"^---- drvsetup run \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} local time, process \d+\r$",
              lit(b"architecture: @ARCH@ build on @ARCH@ Windows (from IsWow64Process2)\r"),
              lit(b"command line: [drvsetup.exe " + NOINF + b" ID]\r"), lit(b"tokens: 3\r"),
              lit(b"token 0: [drvsetup.exe]\r"), lit(b"token 1: [" + NOINF + b"]\r"),
              lit(b"token 2: [ID]\r"), lit(b"road: INF path and hardware ID: normal install\r"),
              lit(b"INF check: [" + NOINF + b"] cannot be opened for reading: "
                  b"0x00000002 ERROR_FILE_NOT_FOUND: ") + rb"\S.*\r$",
              lit(b"path error box shown, waiting for OK\r"),
              lit(b"exit code 6: the INF file cannot be opened\r\n") + b"\\Z"]),
    case("log: INF path names a folder", b"drvsetup.exe C:\\t\\dir.inf ID /s", 6,
         ("path", b"C:\\t\\dir.inf"),
         log=[lit(b"INF check: [C:\\t\\dir.inf] cannot be opened for reading: 0x00000005 "
                  b"ERROR_ACCESS_DENIED: ") + rb"\S.*\r$", lit(b"path error box shown"),
              lit(b"exit code 6")]),
    case("log: refused, 32-bit process on 64-bit Windows", b"drvsetup.exe " + INF + b" ID /s", 5,
         call=(b"ID", INF, True), result=0, error="E0000235", reboot=0,
         log=[lit(b"road: INF path, hardware ID and /s: silent install\r"),
              lit(b"INF check: [" + INF + b"] can be opened for reading\r")]
         + update_lines(b"ID", INF, True)
         + [lit(b"update: returned FALSE, last error 0xE0000235 ERROR_IN_WOW64\r"),
            lit(b"hint: a 32-bit program cannot install drivers on 64-bit Windows: "
                b"use the @ARCH@ drvsetup.exe\r"),
            lit(b"update: restart report left by the update: 0 (no restart needed)\r"),
            lit(b"exit code 5: failure")]),
    case("log: no such device", b"drvsetup.exe " + INF + b" PCI\\VEN_8086", 5,
         call=(b"PCI\\VEN_8086", INF, False), result=0, error="E000020B",
         log=update_lines(b"PCI\\VEN_8086", INF, False)
         + [lit(b"update: returned FALSE, last error 0xE000020B ERROR_NO_SUCH_DEVINST\r"),
            lit(b"hint: no device present has exactly this hardware ID"), lit(b"exit code 5")]),
    case("log: error the table does not know", b"drvsetup.exe " + INF + b" ID", 5,
         call=(b"ID", INF, False), result=0, error="490",
         log=[lit(b"update: returned FALSE, last error 0x00000490: ") + rb"\S.*\r$",
              lit(b"exit code 5")]),
    case("log: silent install, restart needed", b"drvsetup.exe " + INF + b" PCI\\VEN_8086 /s", 0,
         call=(b"PCI\\VEN_8086", INF, True), delay=HELD, dialog=True,
         log=update_lines(b"PCI\\VEN_8086", INF, True)
         + [lit(b"update: returned TRUE\r"),
            lit(b"update: restart report left by the update: 1 (restart needed)\r"),
            lit(b"exit code 0: installed\r")]),
    case("log: no newdev.dll", b"drvsetup.exe " + INF + b" ID /s", 5, newdev="none",
         log=[lit(b"update: newdev.dll not loaded from the system directory: 0x0000007E: "),
              lit(b"exit code 5")]),
    case("log: usage", b"drvsetup.exe", 1, "usage",
         log=[lit(b"road: program name only\r"), lit(b"usage box shown, waiting for OK\r"),
              lit(b"exit code 1: usage shown\r")]),
    case("log: bytes outside ASCII", b"drvsetup.exe C:\\t\\\xe9t\xe9.inf ID\xe9\xfc /s", 0,
         call=(b"ID\xe9\xfc", b"C:\\t\\\xe9t\xe9.inf", True),
         log=[lit(b"token 1: [C:\\t\\\xe9t\xe9.inf]\r"), lit(b"token 2: [ID\xe9\xfc]\r"),
              lit(b"exit code 0")]),
    case("log: rest of the line not /s", b"drvsetup.exe " + INF + b" ID /s ", 5,
         log=[lit(b"token 3: [/s ]\r"),
              lit(b"road: the rest of the line after the hardware ID is not exactly /s\r"),
              lit(b"exit code 5")]),
    # Outside the ANSI code page: the wide line's INF token through its short name.
    case("INF in a folder outside the code page", b"drvsetup.exe " + WIDE + b"x.inf ID /s", 0,
         call=(b"ID", SHORT_INF, True), wide=True, delay=HELD, dialog=True),
    case("quoted INF in a folder outside the code page", b'drvsetup.exe "' + WIDE + b'x.inf" ID', 0,
         call=(b"ID", SHORT_INF, False), wide=True),
    case("relative INF in a folder outside the code page",
         b"drvsetup.exe " + WIDE_FOLDER.encode() + b"\\x.inf ID", 0, call=(b"ID", SHORT_INF, False),
         wide=True, cwd="C:\\t"),
    case("missing INF in a folder outside the code page", b"drvsetup.exe " + WIDE + b"missing.inf ID /s",
         6, ("path", LOST + b"missing.inf"), wide=True),
    case("plain line started wide", b"drvsetup.exe " + INF + b" ID", 0, call=(b"ID", INF, False),
         wide=True),
    case("log: INF recovered through its short name", b"drvsetup.exe " + WIDE + b"x.inf ID /s", 0,
         call=(b"ID", SHORT_INF, True), wide=True,
         log=[lit(b"token 1: [" + LOST + b"x.inf]\r"),
              lit(b"INF path recovered through its short name: [" + WIDE + b"x.inf] is [")
              + SHORT_INF.pattern + rb"\]\r$",
              lit(b"INF check: [") + SHORT_INF.pattern + rb"\] can be opened for reading\r$",
              lit(b"update: calling it with hardware ID [ID], INF [") + SHORT_INF.pattern + rb"\]\r$",
              lit(b"exit code 0: installed\r")]),
    case("log: INF missing in a folder outside the code page",
         b"drvsetup.exe " + WIDE + b"missing.inf ID", 6, ("path", LOST + b"missing.inf"), wide=True,
         log=[lit(b"token 1 as typed is another text: [" + WIDE + b"missing.inf]\r"),
              lit(b"INF path not recovered through a short name: [" + WIDE + b"missing.inf] has none "
                  b"in the ANSI code page\r\npath error box shown"), lit(b"exit code 6")]),
    # Look-alikes: the narrow line names another file, ID or switch than the one typed.
    case("look-alike in the INF path: its short name, never the decoy beside it",
         b"drvsetup.exe " + LOOKALIKE + b"x.inf ID /s", 0, call=(b"ID", SHORT_INF, True), wide=True),
    case("look-alike in the hardware ID", b"drvsetup.exe " + INF + b" HW\xc4\x80\\1", 5, wide=True),
    case("ideographic space before the switch", b"drvsetup.exe " + INF + b" ACPI\xe3\x80\x80/s", 5,
         wide=True),
    case("fullwidth switch", b"drvsetup.exe " + INF + b" ID \xef\xbc\x8f\xef\xbd\x93", 5, wide=True),
    case("log: a line break in a token is escaped", b"drvsetup.exe " + INF + b" ID\r\nexit code 0: installed",
         5, log=[lit(b"token 2: [ID\\x0D\\x0Aexit]\r\ntoken 3: [code 0: installed]\r"),
                 lit(b"exit code 5: failure")]),
    case("log on a pipe that nobody reads", b"drvsetup.exe " + INF + b" ID /s", 0, call=(b"ID", INF, True),
         log_path="\\\\.\\pipe\\drvsetup-log", pipe="\\\\.\\pipe\\drvsetup-log", held_ms=(0, 8000),
         relay=False),
    case("log path is a folder, missing INF", b"drvsetup.exe " + NOINF + b" ID", 6, ("path", NOINF),
         log_path="C:\\t\\dir.inf"),
    case("log path in a missing folder, install", b"drvsetup.exe " + INF + b" ID /s", 0,
         call=(b"ID", INF, True), log_path="C:\\t\\nowhere\\drvsetup.log"),
    case("log file held open without sharing", b"drvsetup.exe " + INF + b" ID", 5,
         call=(b"ID", INF, False), result=0, error="E0000235", log_path="C:\\t\\held.log",
         lock="C:\\t\\held.log"),
    case("160 runs, 16 at once, one log", b"drvsetup.exe C:\\nope.inf HW\\{n} word{n} extra", 5,
         runs=160, concurrent=16, shared_log=SHARED_LOG, relay=False),
    case("log lock held by another process longer than a run waits",
         b"drvsetup.exe " + INF + b" ID /s extra", 5, lockrange=LOG, held_ms=(LOCK_WAIT, LOCK_HANG), relay=False,
         log=[lit(b"token 3: [/s extra]\r"), lit(b"exit code 5")]),
    # The restart the update reports (the stand-in's default): the installer's code in place of 0,
    # only for a silent install and a number from 7 to 2147483647 in ASCII digits alone.
    # (value, name, exit code, extra): the narrow environment would hold 3010 for the fullwidth
    # digits, which best fit turns into ASCII ones.
    *[case("restart code " + name, b"drvsetup.exe " + INF + b" ID" + (b"" if "normal" in name else b" /s"),
           code, call=(b"ID", INF, "normal" not in name), **dict(extra, **({} if value is None else {"restart": value})))
      for value, name, code, extra in [
          ("3010", "3010", 3010, {}), (None, "unset", 0, {}), ("", "empty", 0, {}), ("0", "0", 0, {}),
          ("5", "5, one of the program's own", 0, {}), ("abc", "abc", 0, {}), ("+3010", "+3010", 0, {}),
          ("2147483648", "2147483648, out of range", 0, {}),
          ("\uff13\uff10\uff11\uff10", "3010 in fullwidth digits", 0, {}),
          ("3010", "3010, normal mode", 0, {}), ("3010", "3010, no restart needed", 0, {"reboot": 0}),
          ("3010", "3010, update fails", 5, {"result": 0})]],
    case("log: restart code 2147483647", b"drvsetup.exe " + INF + b" ID /s", 2147483647,
         call=(b"ID", INF, True), restart="2147483647",
         log=[lit(b"update: returned TRUE\r"),
              lit(b"update: restart report left by the update: 1 (restart needed)\r"),
              lit(b"exit code 2147483647: installed, restart needed: DRVSETUP_RESTART_EXIT_CODE in place "
                  b"of 0\r\n") + b"\\Z"]),
    # Where the window station has no screen: no box, no dialog, the update told not to prompt,
    # with a restart report address in either mode; the exit codes of the table.
    case("unattended: program name only", b"drvsetup.exe", 1, hidden=True),
    case("unattended: one argument", b"drvsetup.exe " + INF, 3, hidden=True),
    case("unattended: missing INF, silent", b"drvsetup.exe " + NOINF + b" ID /s", 6, hidden=True,
         log=[lit(b"window station without a screen (a service, or SYSTEM's session): no box and no "
                  b"dialog is shown, and the update is told not to show a window, as nobody could answer\r"),
              lit(b"path error box not shown: nobody can see it\r"), lit(b"exit code 6")]),
    case("unattended: normal install", b"drvsetup.exe " + INF + b" ID", 0, call=(b"ID", INF, True),
         flags=b"5", delay=HELD, hidden=True, reboot=0),
    case("unattended: silent install, restart needed", b"drvsetup.exe " + INF + b" ID /s", 3010,
         call=(b"ID", INF, True), flags=b"5", restart="3010", hidden=True,
         log=[lit(b"update: flags 5 (INSTALLFLAG_FORCE | INSTALLFLAG_NONINTERACTIVE), no owner window, "
                  b"restart report address (unattended)\r"),
              lit(b"update: restart report left by the update: 1 (restart needed)\r"), lit(b"exit code 3010")]),
    case("unattended: publisher not trusted", b"drvsetup.exe " + INF + b" ID", 5, call=(b"ID", INF, True),
         flags=b"5", result=0, error="E0000242", hidden=True,
         log=[lit(b"update: returned FALSE, last error 0xE0000242 ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED\r"),
              lit(b"hint: the package's signer is not yet a trusted publisher, and nobody could be asked: "
                  b"add the signer's certificate to the machine's TrustedPublisher store first"),
              lit(b"exit code 5")]),
    # No device has the ID (the stand-in fails with ERROR_NO_SUCH_DEVINST): with a code the
    # program takes, the package goes to the driver store and that is the exit code.
    *[case("no device, no-device code " + name, b"drvsetup.exe " + INF + b" ID" + (b" /s" if "silent" in name else b""),
           code, call=(b"ID", INF, "silent" in name), result=result, error=error, reboot=0,
           **dict({} if value is None else {"nodevice": value}, staged=code == 3011))
      for value, name, code, result, error in [
          ("3011", "3011", 3011, 0, "E000020B"), ("3011", "3011, silent", 3011, 0, "E000020B"),
          (None, "unset", 5, 0, "E000020B"), ("", "empty", 5, 0, "E000020B"), ("5", "5", 5, 0, "E000020B"),
          ("259", "259", 5, 0, "E000020B"), ("3011", "3011, another error", 5, 0, "E0000235"),
          ("3011", "3011, a device present", 0, 1, "")]],
    # The update says "no device" for an ID that no line offers for this platform too: only an ID
    # that the models section for this platform lists is staged.
    # The prefix reports Windows 10; windows="win7" makes it report Windows 7 for one row.
    *[case("no device, offer check: " + name, b"drvsetup.exe " + inf + b" " + hwid, code, call=(hwid, inf, False),
           result=0, error="E000020B", reboot=0, nodevice="3011", staged=code == 3011, arch=archs,
           **({"windows": windows[0]} if windows else {}))
      for name, hwid, inf, code, archs, *windows in [
          ("mistyped ID", b"IDX", INF, 5, ARCHS), ("the ID in lower case", b"id", INF, 3011, ARCHS),
          ("a compatible ID", b"compat\\id", INF, 3011, ARCHS),
          ("the x86 section's ID on x86", b"ONLY\\X86", INF, 3011, ("x86",)),
          ("the amd64 section's ID on x64", b"ONLY\\AMD64", INF, 3011, ("x64",)),
          ("the arm64 section's ID on arm64", b"ONLY\\ARM64", INF, 3011, ("arm64",)),
          ("the x86 section's ID elsewhere", b"ONLY\\X86", INF, 5, ("x64", "arm64")),
          ("the arm64 section's ID elsewhere", b"ONLY\\ARM64", INF, 5, ("x86", "x64")),
          ("the ia64 section's ID", b"ONLY\\IA64", INF, 5, ARCHS),
          ("the undecorated section's ID", b"ONLY\\UNDECORATED", INF, 5, ARCHS),
          ("an INF with no models", b"ID", NO_MODELS, 5, ARCHS),
          ("an INF for Windows 7 (NTxxx.6.1)", b"ID", NT61, 3011, ARCHS),
          ("an INF for Windows 7, on Windows 7", b"ID", NT61, 3011, OLD, "win7"),
          ("an INF for Windows 10 1709 (NTxxx.10.0...16299)", b"ID", NT16299, 3011, ARCHS),
          ("an INF for Windows 10 1709, on Windows 7", b"ID", NT16299, 5, OLD, "win7"),
          ("an INF for a build later than the running one (NTxxx.10.0...99999)", b"ID", NT99999, 5, ARCHS),
          ("an undecorated INF on x86", b"ID", UNDECORATED, 3011, ("x86",)),
          ("an undecorated INF on x86, on Windows 7", b"ID", UNDECORATED, 3011, ("x86",), "win7"),
          ("an undecorated INF on 64-bit Windows", b"ID", UNDECORATED, 5, ("x64", "arm64"))]],
    case("log: no device, an ID the INF does not offer", b"drvsetup.exe " + INF + b" IDX", 5,
         call=(b"IDX", INF, False), result=0, error="E000020B", nodevice="3011",
         log=[lit(b"update: returned FALSE, last error 0xE000020B ERROR_NO_SUCH_DEVINST\r"),
              rb"^offer check: the models sections for NT(x86|amd64|arm64) on Windows 10\.0\.\d+, chosen by "
              rb"their decorations \(the system has no SetupDiGetActualModelsSectionA\)\r$",
              rb"^offer check: \[Manufacturer\] entry \[Models\]: read \[Models\.NT(x86|amd64|arm64)\], 3 lines\r$",
              lit(b"offer check: [IDX] is on no line of the models sections for NT"),
              lit(b"exit code 5: failure")]),
    # The running version, as the prefix reports it, picks the models section.
    *[case("log: no device, an INF for Windows 10 1709" + name, b"drvsetup.exe " + NT16299 + b" ID", code,
           call=(b"ID", NT16299, False), result=0, error="E000020B", nodevice="3011", staged=code == 3011,
           arch=archs, **more, log=[
               lit(b"architecture: @ARCH@ build on @ARCH@ Windows (from ") + source,
               rb"^offer check: the models sections for NT(x86|amd64|arm64) on Windows " + version + rb", chosen",
               lit(b"offer check: [Manufacturer] entry [Models]") + section,
               lit(b"offer check: [ID] ") + verdict, lit(b"exit code %d: " % code)])
      for name, code, archs, more, source, version, section, verdict in [
          ("", 3011, ARCHS, {}, rb"IsWow64Process2\)\r$", rb"10\.0\.\d+",
           rb": read \[Models\.NT(x86|amd64|arm64)\.10\.0\.\.\.16299\], 1 line\r$",
           re.escape(b"is offered by [Models.NT")),
          # Windows 7 has no IsWow64Process2; Wine 8 has it whichever version it reports.
          (", on Windows 7", 5, ("x64",), {"windows": "win7"}, rb"IsWow64Process2?\)\r$", rb"6\.1\.\d+",
           re.escape(b" names no models section for this platform\r"),
           re.escape(b"is on no line of the models sections")),
          # On x86 the undecorated section stands in, which this INF lacks.
          (", on 32-bit Windows 7", 5, ("x86",), {"windows": "win7"}, rb"IsWow64Process2?\)\r$", rb"6\.1\.\d+",
           re.escape(b": read [Models], 0 lines\r"), re.escape(b"is on no line of the models sections"))]],
    case("log: no device, an INF with no models", b"drvsetup.exe " + NO_MODELS + b" ID", 5,
         call=(b"ID", NO_MODELS, False), result=0, error="E000020B", nodevice="3011",
         log=[lit(b"offer check: nothing is staged: the INF has no [Manufacturer] section, so it offers no device\r"),
              lit(b"exit code 5: failure")]),
    *[case("log: update fails with " + name.decode(), b"drvsetup.exe " + INF + b" ID", 5, call=(b"ID", INF, False),
           result=0, error=code,
           log=[lit(b"update: returned FALSE, last error 0x%s %s\r" % (code.rjust(8, "0").encode(), name)),
                lit(b"hint: " + hint), lit(b"exit code 5")])
      for code, name, hint in ERROR_HINTS],
    case("log: no device, package staged", b"drvsetup.exe " + INF + b" ID", 3011, call=(b"ID", INF, False),
         result=0, error="E000020B", nodevice="3011", staged=True,
         log=[lit(b"update: returned FALSE, last error 0xE000020B ERROR_NO_SUCH_DEVINST\r"),
              lit(b"staging: no device has the ID yet: adding [" + INF + b"] to the driver store "
                  b"(SetupCopyOEMInfA)\r"),
              lit(b"staging: published as [") + rb"[Cc]:\\[Ww]indows\\[Ii][Nn][Ff]\\[^\]]+\.inf\]: "
              + re.escape(b"Windows installs it when the device is plugged in\r"),
              lit(b"exit code 3011: no device yet, the package is in the driver store: "
                  b"DRVSETUP_NO_DEVICE_EXIT_CODE\r\n") + b"\\Z"]),
    # drvremove.exe: never a box; the stand-in's DiUninstallDriverA (Windows 10 1703 and later)
    # gets the published INF and takes it out of C:\windows\inf; Wine's own road cannot.
    *[case("drvremove: " + name, b"drvremove.exe" + rest, code, program="drvremove", **more)
      for name, rest, code, more in [
("program name and trailing blanks", b"  \t ", 1, {}),
          ("words after the switch", b" " + INF + b" /s now", 5, {}),
          ("a hardware ID after the INF", b" " + INF + b" ID", 5, {}),
          ("missing INF", b" " + NOINF, 6, {}), ("missing INF, silent", b" " + NOINF + b" /s", 6, {}),
          ("switch alone", b" /s", 6, {}),
          ("staged package removed", b" " + INF, 0, dict(prestaged=True, removal=(STAGED, True), delay=HELD, dialog=True)),
          ("staged package removed, restart needed, the restart code set: normal mode exits 0", b" " + INF, 0,
           dict(prestaged=True, removal=(STAGED, True), restart="3010")),
          ("staged package removed, silent, restart needed", b" " + INF + b" /s", 3010,
           dict(prestaged=True, removal=(STAGED, True), restart="3010")),
          ("staged package removed, silent, restart code unset", b" " + INF + b" /s", 0,
           dict(prestaged=True, removal=(STAGED, True))),
          ("unattended: staged package removed", b" " + INF, 3010,
           dict(prestaged=True, removal=(STAGED, True), restart="3010", hidden=True, delay=HELD)),
          ("a device still uses the package", b" " + INF + b" /s", 5,
           dict(prestaged=True, kept=True, removal=(STAGED, True), result=0, error="E000023D")),
          ("Wine's own SetupUninstallOEMInfA removes nothing: not reported as removed", b" " + INF, 5,
           dict(prestaged=True, kept=True, newdev="builtin")),
          ("two copies of the same text: the one the store names is removed, the other stays", b" " + INF + b" /s", 5,
           dict(copy_as=COPIES, removal=(COPY, True)))]],
    case("log: drvremove, staged package removed", b"drvremove.exe " + INF + b" /s", 0, program="drvremove",
         prestaged=True, removal=(STAGED, True), reboot=0,
         log=[rb"^---- drvremove run \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} local time, process \d+\r$",
              lit(b"road: INF path and /s: silent removal\r"),
              lit(b"INF check: [" + INF + b"] can be opened for reading\r"),
              lit(b"removal: looking for [" + INF + b"] in the driver store: "),
              lit(b"removal: published as [") + rb"[Cc]:\\[Ww]indows\\[Ii][Nn][Ff]\\x\.inf\]\r$",
              lit(b"removal: calling DiUninstallDriverA with ["),
              lit(b"removal: returned TRUE\r"),
              lit(b"removal: restart report left by the removal: 0 (no restart needed)\r"),
              lit(b"exit code 0: no copy of the package is left in the driver store\r\n") + b"\\Z"]),
    case("log: drvremove, normal mode, restart needed", b"drvremove.exe " + INF, 0, program="drvremove",
         prestaged=True, removal=(STAGED, True), restart="3010",
         log=[lit(b"road: INF path: normal removal\r"),
              lit(b"removal: calling DiUninstallDriverA with [") + rb"[^\]]+\], flags 0, no owner window, "
              + re.escape(b"restart report address\r"),
              lit(b"removal: returned TRUE\r"),
              lit(b"removal: restart report left by the removal: 1 (restart needed)\r"),
              lit(b"removal: Windows must restart to finish the removal; in normal mode this program asks for "
                  b"none and shows no prompt (exit code 0): restart Windows later\r"),
              lit(b"exit code 0: no copy of the package is left in the driver store\r\n") + b"\\Z"]),
    case("log: drvremove, two copies of the same text", b"drvremove.exe " + INF, 5, program="drvremove",
         copy_as=COPIES, removal=(COPY, True),
         log=[lit(b"removal: published as [") + COPY.pattern + rb"\]\r$",
              lit(b"removal: returned TRUE\r"),
              lit(b"removal: [") + COPY.pattern
              + re.escape(b"] holds this INF's very text and is still in the INF folder after the removal\r"),
              lit(b"exit code 5: failure")]),
    case("log: drvremove, a device still uses the package", b"drvremove.exe " + INF, 5, program="drvremove",
         prestaged=True, kept=True, removal=(STAGED, True), result=0, error="E000023D",
         log=[lit(b"removal: returned FALSE, last error 0xE000023D ERROR_INF_IN_USE_BY_DEVICES\r"),
              lit(b"hint: a device still uses this package"), lit(b"exit code 5: failure")]),
    case("log: drvremove, Wine's own road", b"drvremove.exe " + INF, 5, program="drvremove",
         prestaged=True, kept=True, newdev="builtin",
         log=[lit(b"removal: calling SetupUninstallOEMInfA with [x.inf], flags 0 (not SUOI_FORCEDELETE"),
              lit(b"removal: returned TRUE\r"),
              lit(b"removal: SetupUninstallOEMInfA gives no restart report: whether Windows must restart is not "
                  b"known here, and none is asked for\r"),
              lit(b"removal: yet [") + rb"[Cc]:\\[Ww]indows\\[Ii][Nn][Ff]\\x\.inf\] is still in the driver store",
              lit(b"exit code 5: failure")]),
    case("log: drvremove, never installed", b"drvremove.exe " + INF, 0, program="drvremove",
         log=[lit(b"removal: SetupCopyOEMInfA copied the INF as [") + STAGED.pattern
              + re.escape(b"] in spite of SP_COPY_REPLACEONLY (Wine's road): that new copy was taken out again"),
              lit(b"removal: no copy of this package is in the driver store: nothing to remove\r"),
              lit(b"exit code 0: no copy")]),
    # DRVSETUP_ONLY_IF_BETTER=1 alone: the update is not forced, and ERROR_NO_MORE_ITEMS (the
    # device's driver is as good or better) is success. (value, name, flags, exit code, extra)
    *[case("only if better " + name, b"drvsetup.exe " + INF + b" ID", code, call=(b"ID", INF, "hidden" in extra),
           flags=flags, **dict(extra, **({} if value is None else {"better": value})))
      for value, name, flags, code, extra in [
          ("1", "1, installed", b"0", 0, {}),
          ("1", "1, the device's driver is as good or better", b"0", 0, {"result": 0, "error": "103"}),
          ("1", "1, unattended", b"4", 0, {"result": 0, "error": "103", "hidden": True, "reboot": 0}),
          ("1", "1, another error", b"0", 5, {"result": 0, "error": "E0000242"}),
          (None, "unset", b"1", 5, {"result": 0, "error": "103"}), ("", "empty", b"1", 5, {"result": 0, "error": "103"}),
          ("0", "0", b"1", 5, {"result": 0, "error": "103"}), ("yes", "yes", b"1", 5, {"result": 0, "error": "103"}),
          ("\uff11", "1 in a fullwidth digit", b"1", 5, {"result": 0, "error": "103"})]],
    case("log: only if better, the device kept its driver", b"drvsetup.exe " + INF + b" ID", 0, call=(b"ID", INF, False),
         flags=b"0", better="1", result=0, error="103",
         log=[lit(b"update: flags 0 (not forced: DRVSETUP_ONLY_IF_BETTER=1), no owner window, no restart report address\r"),
              lit(b"update: returned FALSE, last error 0x00000103 ERROR_NO_MORE_ITEMS\r"),
              lit(b"hint: the device's driver is as good as this package's or better"),
              lit(b"update: the device kept its driver: Windows ranks it as good as this package's or better"),
              lit(b"exit code 0: installed\r")]),
    case("200 silent installs, stand-in answering after 0 to 300 ms",
         b"drvsetup.exe " + INF + b" ID /s", None, stress=200, relay=False),
]


if __name__ == "__main__":  # e2e_cases.py ARCH: how many cases run on that build
    import sys
    print(sum(sys.argv[1] in c.get("arch", ARCHS) for c in CASES))
