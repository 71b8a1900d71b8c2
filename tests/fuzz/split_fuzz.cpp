// Fuzzes SplitCommandLine: the first byte picks maxTokens (-1..6) and now and
// then an allocation to fail; the rest is the line.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_line.h"
#include "fake_platform.h"
#include "reference.h"
#include "report.h"

static const int kSlots = 8;  // more than the largest maxTokens, to see stray writes
static char sentinels[kSlots];

static bool HasBlank(const char* token) { return strpbrk(token, " \t") != nullptr; }

// The index of the fake's block that holds p, or -1.
static int BlockOf(const char* p) {
  for (size_t b = 0; b < fake.blocks.size(); ++b) {
    const char* start = static_cast<const char*>(fake.blocks[b]);
    if (p >= start && p < start + fake.blockSizes[b]) return static_cast<int>(b);
  }
  return -1;
}

static void CheckTokens(char** tokens, int count, int maxTokens,
                        const std::vector<std::string>& raw) {
  int nextQuotedBlock = 1;
  for (int i = 0; i < count; ++i) {
    int block = BlockOf(tokens[i]);
    Require(block >= 0, "every token lies inside one allocation");
    const char* end = static_cast<const char*>(fake.blocks[block]) + fake.blockSizes[block];
    Require(memchr(tokens[i], '\0', end - tokens[i]) != nullptr,
            "every token is NUL-terminated inside its allocation");
    Require(tokens[i] == ReferenceUnquote(raw[i]), "each token matches the reference splitter");
    if (!(i == count - 1 && count == maxTokens))
      Require(!HasBlank(tokens[i]), "only the last token of a full split holds blanks or tabs");
    if (raw[i][0] == '"') {
      Require(block == nextQuotedBlock++, "each quoted token gets a fresh block, in order");
      Require(fake.blockSizes[block] == raw[i].size() + 1, "a quoted token's block is length+1");
    } else {
      Require(block == 0, "an unquoted token points into the line copy");
    }
  }
}

// The same characters on a wide line split alike: as many tokens, each one widened.
static void CheckWideSplit(const std::string& line, int maxTokens, char** tokens, int count) {
  fake.failAllocation = -1;
  const std::wstring wide = Widen(line);
  wchar_t* wideTokens[kSlots] = {};
  Require(SplitCommandLine(wide.c_str(), wideTokens, maxTokens) == count,
          "the wide split gives as many tokens");
  for (int i = 0; i < count; ++i)
    Require(wideTokens[i] == Widen(tokens[i]), "each wide token is the narrow one, widened");
}

static void SplitOnce(const uint8_t* data, size_t size) {
  const int maxTokens = (data[0] & 7) - 1;
  const int failing = (data[0] >> 3) >= 24 ? (data[0] >> 3) - 24 : -1;
  const size_t rest = size - 1;
  // Exactly sized, so that reading past the terminator is caught.
  char* buffer = static_cast<char*>(malloc(rest + 1));
  memcpy(buffer, data + 1, rest);
  buffer[rest] = '\0';
  const std::string line(buffer);

  char* tokens[kSlots];
  for (int i = 0; i < kSlots; ++i) tokens[i] = &sentinels[i];
  fake.failAllocation = failing;
  const int count = SplitCommandLine(buffer, tokens, maxTokens);

  Require(memcmp(buffer, data + 1, rest) == 0 && buffer[rest] == '\0',
          "the input line is unaltered");
  free(buffer);
  Require(count >= 0 && count <= std::max(maxTokens, 0), "count <= max(maxTokens, 0)");
  Require(count <= CountRuns(line), "count <= number of runs of non-blanks");
  for (int i = std::max(maxTokens, 0); i < kSlots; ++i)
    Require(tokens[i] == &sentinels[i], "nothing is written past maxTokens entries");

  const std::vector<std::string> raw = ReferenceRawTokens(line, maxTokens);
  const int quoted =
      std::count_if(raw.begin(), raw.end(), [](const std::string& t) { return t[0] == '"'; });
  const int allocations = 1 + quoted;
  if (failing >= 0 && failing < allocations) {
    Require(count == 0, "a failed allocation leaves no token");
    return;
  }
  Require(fake.allocations == allocations, "one block for the line and one per quoted token");
  Require(fake.blockSizes[0] == line.size() + 1, "the line copy takes strlen+1 bytes");
  Require(count == static_cast<int>(raw.size()), "the count matches the reference splitter");
  for (int i = count; i < kSlots; ++i)
    Require(tokens[i] == &sentinels[i], "entries beyond the count are untouched");
  CheckTokens(tokens, count, maxTokens, raw);
  CheckWideSplit(line, maxTokens, tokens, count);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzOnce(data, size, SplitOnce);
}
