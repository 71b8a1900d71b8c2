#!/usr/bin/env python3
"""Checks that the installer snippets in the setup author's guide are the files in examples/installers.

Each NSIS, WiX and batch block of the installer section of docs/setup-authors.md,
with the guide's hardware ID and INF name put back to the demo's, must be the
example file or a run of its whole lines. The Inno Setup and PowerShell blocks, which nothing here can run, must be
marked as not run. Prints each problem; exits 1 if there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
GUIDE = ROOT / "docs" / "setup-authors.md"
EXAMPLES = {"nsis": "drvsetup.nsi", "xml": "drvsetup.wxs", "bat": "drvsetup.cmd"}
NOT_RUN = ("pascal", "powershell")
# The guide's names, and the demo's that the examples use.
SUBSTITUTIONS = [
    ("PCI\\VEN_1234&amp;DEV_5678", "ROOT\\DRVSETUPDEMO"),
    ("PCI\\VEN_1234&DEV_5678", "ROOT\\DRVSETUPDEMO"),
    ("mydriver.inf", "drvsetup-demo.inf"),
    ("mydriver.cat", "drvsetup-demo.cat"),
    ("mydriver.sys", "drvsetup-demo.sys"),
]


def blocks(guide):
    """(language, text, the text before the block since the previous block) per fenced block."""
    found, last = [], 0
    for match in re.finditer(r"^```(\w*)\n(.*?)^```$", guide, re.M | re.S):
        found.append((match.group(1), match.group(2), guide[last:match.start()]))
        last = match.end()
    return found


def as_example(text):
    for guide_name, demo_name in SUBSTITUTIONS:
        text = text.replace(guide_name, demo_name)
    return text


def is_run_of_lines(part, whole):
    part_lines, whole_lines = part.splitlines(), whole.splitlines()
    return any(whole_lines[i:i + len(part_lines)] == part_lines
               for i in range(len(whole_lines) - len(part_lines) + 1))


def problems(guide):
    seen = {language: 0 for language in list(EXAMPLES) + list(NOT_RUN)}
    for language, text, before in blocks(guide):
        if language in NOT_RUN:
            seen[language] += 1
            if "not run here" not in before:
                yield f"the {language} block is not marked as not run here"
        if language not in EXAMPLES:
            continue
        seen[language] += 1
        name = EXAMPLES[language]
        example = (ROOT / "examples" / "installers" / name).read_text().replace("\r\n", "\n")
        if "DRVSETUPDEMO" in text or "drvsetup-demo" in text:
            yield f"the {language} block uses the demo's names, not PCI\\VEN_1234&DEV_5678 and mydriver.inf"
        elif not text.strip() or not is_run_of_lines(as_example(text), example):
            yield f"the {language} block differs from examples/installers/{name}"
    for language, count in seen.items():
        if count != 1:
            yield f"{GUIDE.name} has {count} {language} blocks, not one"


def installer_section(guide):
    """The guide's section on installers, up to the next section."""
    start = guide.find("\n## Calling it from an installer\n")
    if start < 0:
        return ""
    end = guide.find("\n## ", start + 1)
    return guide[start:] if end < 0 else guide[start:end]


def main():
    found = list(problems(installer_section(GUIDE.read_text())))
    for problem in found:
        print(f"guide_sync: {problem}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
