"""Each program's decision table, read from its C++ header (app/setup_table.h,
remove/removal_table.h), one row a line, with each exit code's number from the
program's enum. Run as a script, it prints every row it read, one a line, for
the unit test that checks it against the C++ table."""
import os
import re

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
TABLES = {"drvsetup": ("app/setup_table.h", "app/exit_codes.h"),
          "drvremove": ("remove/removal_table.h", "remove/removal_codes.h")}
STRING = r'"((?:[^"\\]|\\.)*)"'
ROW = re.compile(r"\{(\d+), %s, (STOP|GO_NORMAL|GO_SILENT), (\w+), (BOX_NONE|BOX_USAGE|BOX_MISSING_ARGUMENT), %s, %s\},"
                 % (STRING, STRING, STRING))
BOXES = {"BOX_NONE": None, "BOX_USAGE": "usage", "BOX_MISSING_ARGUMENT": "missing"}
ESCAPES = {"\\": "\\", '"': '"', "t": "\t", "n": "\n", "r": "\r"}


def read(path):
    with open(os.path.join(ROOT, path), encoding="utf-8") as f:
        return f.read()


def c_string(text):
    return re.sub(r"\\(.)", lambda m: ESCAPES[m.group(1)], text)


def rows(program):
    """The rows in order, each a dict: count, tokens, outcome, exit, box, road, sample."""
    header, codes = TABLES[program]
    numbers = dict(re.findall(r"^\s*(\w+) = (\d+),", read(codes), re.M))
    text = read(header)
    body = text[text.index("[] = {\n") + 7:text.index("\n};")]
    table = []
    for line in body.splitlines():
        line = line.strip()
        if not line or line.startswith("//"):
            continue
        m = ROW.fullmatch(line)
        if not m:
            raise ValueError("%s: not a row of the table: %r" % (header, line))
        count, tokens, outcome, code, box, road, sample = m.groups()
        table.append(dict(count=int(count), tokens=tokens, outcome=outcome, exit=int(numbers[code]),
                          box=BOXES[box], road=c_string(road), sample=c_string(sample)))
    return table


if __name__ == "__main__":
    for program in TABLES:
        for row in rows(program):
            print("\t".join([program, str(row["count"]), row["tokens"], row["outcome"], str(row["exit"]),
                             str(row["box"]), row["road"], row["sample"].replace("\\", "\\\\").replace("\t", "\\t")]))
