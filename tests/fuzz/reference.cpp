#include "reference.h"

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> ReferenceRawTokens(const std::string& line, int maxTokens) {
  std::vector<std::string> tokens;
  size_t i = 0;
  while (static_cast<int>(tokens.size()) < maxTokens) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    size_t start = i;
    bool last = static_cast<int>(tokens.size()) == maxTokens - 1;
    if (last) {
      i = line.size();
    } else {
      while (i < line.size() && !IsBlank(line[i])) ++i;
    }
    tokens.push_back(line.substr(start, i - start));
  }
  return tokens;
}

std::string ReferenceUnquote(const std::string& raw) {
  if (raw.empty() || raw[0] != '"') return raw;
  if (raw.size() < 2) return "";
  return raw.substr(1, raw.size() - 2);
}

std::wstring Widen(const std::string& bytes) {
  std::wstring wide;
  for (unsigned char c : bytes) wide += static_cast<wchar_t>(c);
  return wide;
}

int CountRuns(const std::string& line) {
  int runs = 0;
  for (size_t i = 0; i < line.size(); ++i)
    if (!IsBlank(line[i]) && (i == 0 || IsBlank(line[i - 1]))) ++runs;
  return runs;
}
