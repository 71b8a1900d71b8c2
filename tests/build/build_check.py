#!/usr/bin/python3
"""Checks what the built executables carry: the dialog template as the only
resource, byte for byte; imports of system DLLs only, never newdev.dll or
comctl32.dll, nor SetFilePointer; no link timestamp; a right PE checksum; the machine its build folder names
(mingw-x86, mingw-x64, mingw-arm64); the x86 and arm64 programs within their
size budgets; Terminal Server aware. selftest.exe, shipped too, is checked for its
machine, timestamp and Terminal Server awareness alone. Then the set-up's check (tests/build/bootstrap_check.sh), whose
cases join the count. Usage: build_check.py EXE...
"""
import os
import re
import struct
import subprocess
import sys

import pefile

ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "msvcrt.dll"}
# It fails where a log's end lies past 4 GiB: the log finds its end with SetFilePointerEx.
FORBIDDEN_FUNCTIONS = {b"SetFilePointer"}
MACHINES = {"mingw-x86": "IMAGE_FILE_MACHINE_I386", "mingw-x64": "IMAGE_FILE_MACHINE_AMD64",
            "mingw-arm64": "IMAGE_FILE_MACHINE_ARM64"}
# Guards against unnoticed growth; raised as the log, the shared-log lock and the wide path grew it.
SIZE_LIMITS = {"IMAGE_FILE_MACHINE_I386": 44 * 1024, "IMAGE_FILE_MACHINE_ARM64": 48 * 1024}
# Without it a Remote Desktop Session Host gives the program a per-user Windows folder.
TERMINAL_SERVER_AWARE = 0x8000
TEXT = "Please wait while setup is installing some components...."


def wide(text):
    return (text + "\0").encode("utf-16-le")


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def item(style, x, y, cx, cy, ident, cls, title):
    return pad4(struct.pack("<IIhhhhH", style, 0, x, y, cx, cy, ident) + cls + title +
                struct.pack("<H", 0))


def expected_template():
    header = struct.pack("<IIHhhhh", 0x80C000C0, 0, 2, 0, 0, 192, 36)
    header += struct.pack("<HH", 0, 0) + wide("Kavrel Driver Setup")
    header += struct.pack("<H", 8) + wide("MS Sans Serif")
    bar = item(0x50800000, 52, 17, 80, 10, 1000, wide("msctls_progress32"), wide("Progress1"))
    label = item(0x50020000, 5, 5, 180, 10, 0xFFFF, struct.pack("<HH", 0xFFFF, 0x0082), wide(TEXT))
    return pad4(header) + bar + label


def resources(pe):
    found = []
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                data = lang.data.struct
                found.append((rtype.id, name.id, lang.id, pe.get_data(data.OffsetToData, data.Size)))
    return found


def check_shipped(pe, path):
    """What every program in the release carries."""
    errors = []
    if pe.FILE_HEADER.TimeDateStamp != 0:
        errors.append("link timestamp %#x" % pe.FILE_HEADER.TimeDateStamp)
    if not pe.OPTIONAL_HEADER.DllCharacteristics & TERMINAL_SERVER_AWARE:
        errors.append("DllCharacteristics %#x, not Terminal Server aware (0x8000)" %
                      pe.OPTIONAL_HEADER.DllCharacteristics)
    machine = pefile.MACHINE_TYPE.get(pe.FILE_HEADER.Machine, hex(pe.FILE_HEADER.Machine))
    want = MACHINES.get(os.path.basename(os.path.dirname(os.path.abspath(path))))
    if want and machine != want:
        errors.append("machine %s, expected %s" % (machine, want))
    return errors, machine


def check(path):
    pe = pefile.PE(path)
    errors, machine = check_shipped(pe, path)
    if os.path.basename(path) == "selftest.exe":
        return errors
    found = resources(pe)
    if [(t, n, l) for t, n, l, _ in found] != [(5, 102, 1033)]:
        errors.append("resources %r, expected only dialog 102 in language 1033" %
                      [(t, n, l) for t, n, l, _ in found])
    elif found[0][3].rstrip(b"\0") != expected_template().rstrip(b"\0"):
        errors.append("dialog template differs:\n  %s\n  %s" % (found[0][3].hex(), expected_template().hex()))
    imports = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    if not imports <= ALLOWED_IMPORTS:
        errors.append("imports %s" % sorted(imports - ALLOWED_IMPORTS))
    functions = {f.name for entry in pe.DIRECTORY_ENTRY_IMPORT for f in entry.imports}
    if functions & FORBIDDEN_FUNCTIONS:
        errors.append("imports %s" % sorted(functions & FORBIDDEN_FUNCTIONS))
    # Signing tools write it: without it a signed program, its signature removed, is not the build.
    if pe.OPTIONAL_HEADER.CheckSum != pe.generate_checksum():
        errors.append("PE checksum %#x, not %#x" % (pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum()))
    if pe.OPTIONAL_HEADER.Subsystem != pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]:
        errors.append("not a GUI-subsystem program")
    # lld emits the load configuration that makes the loader take our imports from the system
    # directory alone; GNU ld 2.40 emits none.
    config = getattr(pe, "DIRECTORY_ENTRY_LOAD_CONFIG", None)
    flags = config.struct.Reserved1 if config is not None else None
    if machine == "IMAGE_FILE_MACHINE_ARM64" and flags != 0x800:
        errors.append("DependentLoadFlags %r, expected 0x800 (LOAD_LIBRARY_SEARCH_SYSTEM32)" % flags)
    size, limit = len(pe.__data__), SIZE_LIMITS.get(machine)
    if limit and size > limit:
        errors.append("%d bytes, over the budget of %d for %s" % (size, limit, machine))
    return errors


def main():
    passed = failed = 0
    for path in sys.argv[1:]:
        errors = check(path)
        print(("FAIL " if errors else "ok   ") + path)
        for e in errors:
            print("  - " + e)
        passed, failed = passed + (not errors), failed + bool(errors)
    setup = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bootstrap_check.sh")
    out = subprocess.run([setup], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout
    print(out, end="")
    counts = re.findall(r"(\d+) passed, (\d+) failed, (\d+) skipped", out)
    p, f, skipped = map(int, counts[-1]) if counts else (0, 1, 0)
    passed, failed = passed + p, failed + f
    print("build: %d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
