#pragma once
#include <string>

#include "decision_table.h"

// A row's sample line, with the INF and the hardware ID a test picks for {i} and {h}.
inline std::string Sample(const TableRow& row, const std::string& inf, const std::string& hardwareId) {
  std::string line = row.sample;
  for (size_t at; (at = line.find("{i}")) != std::string::npos;) line.replace(at, 3, inf);
  for (size_t at; (at = line.find("{h}")) != std::string::npos;) line.replace(at, 3, hardwareId);
  return line;
}
