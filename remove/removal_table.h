#pragma once
#include "../common/decision_table.h"
#include "removal_codes.h"

// drvremove.exe's decision table: the first row that fits decides; never a box. The removal,
// where a row goes on to it, may still end otherwise (the INF, the driver store). One row a
// line: tests/wine/table_rows.py parses them.
// clang-format off
static const TableRow removalTable[] = {
  // count, tokens 1-2, outcome, exit code, box, road, sample
  {0, "", STOP, REMOVAL_FAILED, BOX_NONE, "no token: the line is empty or blank, or memory ran out splitting it", " \t \t"},
  {1, "", STOP, REMOVAL_USAGE, BOX_NONE, "program name only: nothing done", "drvremove.exe"},
  {2, ".", GO_NORMAL, REMOVAL_DONE, BOX_NONE, "INF path: normal removal", "drvremove.exe {i}"},
  {3, ".S", GO_SILENT, REMOVAL_DONE, BOX_NONE, "INF path and /s: silent removal", "drvremove.exe {i} /s"},
  {3, ".n", STOP, REMOVAL_FAILED, BOX_NONE, "the rest of the line after the INF path is not exactly /s", "drvremove.exe {i} /S"},
};
// clang-format on
static const int removalTableRows = sizeof removalTable / sizeof *removalTable;
