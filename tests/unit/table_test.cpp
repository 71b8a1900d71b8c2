#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "removal_table.h"
#include "setup_table.h"

namespace {

struct Table {
  const char* program;
  const TableRow* rows;
  int count;
  int maxTokens;
};

const Table kTables[] = {{"drvsetup", setupTable, setupTableRows, 4},
                         {"drvremove", removalTable, removalTableRows, 3}};

// Each row names every token after the program's name, and every line, of any token count and
// with /s at any of its places, takes some row.
TEST(DecisionTable, EveryLineTakesARow) {
  for (const Table& table : kTables) {
    for (int i = 0; i < table.count; ++i) {
      const TableRow& row = table.rows[i];
      SCOPED_TRACE(std::string(table.program) + " row " + std::to_string(i));
      EXPECT_EQ(strlen(row.tokens), static_cast<size_t>(row.count > 0 ? row.count - 1 : 0));
      EXPECT_EQ(strspn(row.tokens, "Sn."), strlen(row.tokens));
      EXPECT_TRUE(row.outcome == STOP || row.box == BOX_NONE);
    }
    char program[] = "p", slash[] = SILENT_SWITCH, other[] = "x";
    for (int count = 0; count <= table.maxTokens; ++count) {
      for (int switches = 0; switches < 1 << count; ++switches) {
        Tokens t = {.count = count, .narrow = {program}, .typed = {1, 1, 1, 1}};
        for (int i = 1; i < count; ++i) t.narrow[i] = switches & 1 << i ? slash : other;
        EXPECT_NE(FindRow(table.rows, table.count, t), nullptr) << table.program << ", " << count << " tokens, /s at "
                                                                << switches;
      }
    }
  }
}

std::string Escaped(const char* text) {
  std::string out;
  for (; *text != '\0'; ++text) out += *text == '\\' ? "\\\\" : *text == '\t' ? "\\t" : std::string(1, *text);
  return out;
}

// The Wine suite reads the tables from the headers' text: it must read every row as the compiler does.
TEST(DecisionTable, TheWineSuiteReadsEveryRow) {
  const char* boxes[] = {"None", "usage", "missing"};
  const char* outcomes[] = {"STOP", "GO_NORMAL", "GO_SILENT"};
  std::vector<std::string> expected, read;
  for (const Table& table : kTables)
    for (int i = 0; i < table.count; ++i) {
      const TableRow& row = table.rows[i];
      expected.push_back(std::string(table.program) + "\t" + std::to_string(row.count) + "\t" + row.tokens + "\t" +
                         outcomes[row.outcome] + "\t" + std::to_string(row.exitCode) + "\t" + boxes[row.box] + "\t" +
                         row.road + "\t" + Escaped(row.sample));
    }
  FILE* out = popen("python3 " DRVSETUP_SOURCE_DIR "/tests/wine/table_rows.py", "r");
  ASSERT_NE(out, nullptr);
  char line[1024];
  while (fgets(line, sizeof line, out) != nullptr) read.push_back(std::string(line, strcspn(line, "\n")));
  EXPECT_EQ(pclose(out), 0);
  EXPECT_EQ(read, expected);
}

}  // namespace
