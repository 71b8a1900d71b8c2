#!/usr/bin/python3
"""Writes the PE checksum into an executable, as GNU ld does for the x86 and x64 builds and
lld 14 does not (it leaves 0): signing tools set it, so a signed program with its signature
removed matches the build only if the build carries it too. Usage: pe_checksum.py EXE
"""
import struct
import sys


def checksum(data, field):
    total = 0
    for at in range(0, len(data), 2):
        if at in (field, field + 2):
            continue
        word = data[at] | (data[at + 1] << 8 if at + 1 < len(data) else 0)
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total + (total >> 16)) & 0xFFFF) + len(data)


def main(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    field = struct.unpack_from("<I", data, 0x3C)[0] + 24 + 64  # the optional header's CheckSum
    struct.pack_into("<I", data, field, checksum(data, field))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
