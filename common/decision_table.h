#pragma once
#include "tokens.h"

// A program's decision table is a static array of these, one row a line, read top down:
// the first row that fits the tokens decides. tests/wine/table_rows.py reads the same lines.
enum TableOutcome {
  STOP,       // ends at once with exitCode, after its box
  GO_NORMAL,  // on to the install or removal in normal mode
  GO_SILENT,  // the same in silent mode
};

enum TableBox { BOX_NONE, BOX_USAGE, BOX_MISSING_ARGUMENT };

struct TableRow {
  int count;           // tokens, the program's name included
  const char* tokens;  // tokens 1 to count-1: 'S' exactly /s as typed, 'n' another token, '.' either
  TableOutcome outcome;
  int exitCode;        // STOP: the exit code; GO: the code when the install or removal succeeds
  TableBox box;        // STOP only
  const char* road;    // the log's "road: " line
  // A line that takes this row, for the tests: {i} stands for an INF that exists, and {h}, in a
  // row that goes on to the install, for a hardware ID each test picks.
  const char* sample;
};

// The first of rowCount rows that fits the tokens, or null.
const TableRow* FindRow(const TableRow* rows, int rowCount, const Tokens& tokens);
