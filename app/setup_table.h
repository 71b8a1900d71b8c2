#pragma once
#include "../common/decision_table.h"
#include "exit_codes.h"

// drvsetup.exe's decision table, as the README's exit-code table reads: the first row that fits
// decides. The install, where a row goes on to it, may still end otherwise (a token not as typed,
// the INF, the update). One row a line: tests/wine/table_rows.py parses them.
// clang-format off
static const TableRow setupTable[] = {
  // count, tokens 1-3, outcome, exit code, box, road, sample
  {0, "", STOP, EXIT_FAILED, BOX_NONE, "no token: the line is empty or blank, or memory ran out splitting it", " \t \t"},
  {1, "", STOP, EXIT_USAGE, BOX_USAGE, "program name only", "drvsetup.exe"},
  {2, "S", STOP, EXIT_SWITCH_ONLY, BOX_NONE, "one argument, /s", "drvsetup.exe /s"},
  {2, "n", STOP, EXIT_MISSING_ARGUMENT, BOX_MISSING_ARGUMENT, "one argument, not /s", "drvsetup.exe {i}"},
  {3, "S.", STOP, EXIT_TWO_WITH_SWITCH, BOX_NONE, "two arguments, one of them /s", "drvsetup.exe /s {i}"},
  {3, ".S", STOP, EXIT_TWO_WITH_SWITCH, BOX_NONE, "two arguments, one of them /s", "drvsetup.exe {i} /s"},
  {3, "nn", GO_NORMAL, EXIT_INSTALLED, BOX_NONE, "INF path and hardware ID: normal install", "drvsetup.exe {i} {h}"},
  {4, "..S", GO_SILENT, EXIT_INSTALLED, BOX_NONE, "INF path, hardware ID and /s: silent install", "drvsetup.exe {i} {h} /s"},
  {4, "..n", STOP, EXIT_FAILED, BOX_NONE, "the rest of the line after the hardware ID is not exactly /s", "drvsetup.exe {i} ID /S"},
};
// clang-format on
static const int setupTableRows = sizeof setupTable / sizeof *setupTable;
