#include "decision_table.h"

static int Fits(const TableRow& row, const Tokens& t) {
  if (row.count != t.count) return 0;
  for (int i = 1; i < t.count; ++i) {
    char want = row.tokens[i - 1];
    if (want != '.' && (want == 'S') != (IsSilentSwitch(t, i) != 0)) return 0;
  }
  return 1;
}

const TableRow* FindRow(const TableRow* rows, int rowCount, const Tokens& t) {
  for (int i = 0; i < rowCount; ++i)
    if (Fits(rows[i], t)) return &rows[i];
  return nullptr;
}
