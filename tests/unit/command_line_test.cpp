#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"
#include "fake_platform.h"

namespace {

struct SplitCase {
  const char* line;
  int maxTokens;
  std::vector<std::string> tokens;
};

const SplitCase kSplitCases[] = {
    {"", 4, {}},
    {" \t  \t", 4, {}},
    {"p a b", 0, {}},
    {"p a b", -1, {}},
    {"p", 4, {"p"}},
    {"  p  \t a\t\tb  ", 4, {"p", "a", "b"}},
    {"p a b c d", 4, {"p", "a", "b", "c d"}},
    {"p a b c ", 4, {"p", "a", "b", "c "}},
    {"p a b /s ", 4, {"p", "a", "b", "/s "}},
    {"p a b   c\t d ", 4, {"p", "a", "b", "c\t d "}},
    {"p a b ", 4, {"p", "a", "b"}},
    {"p a b c d", 2, {"p", "a b c d"}},
    {"p a b c d", 1, {"p a b c d"}},
    {"p\r\na", 4, {"p\r\na"}},
    {"\"p\" \"a\" b", 4, {"p", "a", "b"}},
    {"p \"abc d", 4, {"p", "ab", "d"}},
    {"p \"", 4, {"p", ""}},
    {"p \"\"", 4, {"p", ""}},
    {"p a\"b\" c\"", 4, {"p", "a\"b\"", "c\""}},
    {"\"C:\\Program Files\\drvsetup.exe\" x.inf id", 4,
     {"C:\\Progra", "Files\\drvsetup.exe\"", "x.inf", "id"}},
    {"p a b \"c d\"", 4, {"p", "a", "b", "c d"}},
    {"p a b \"/s\"", 4, {"p", "a", "b", "/s"}},
    {"p \xE9t\xE9 \x81\xFF", 4, {"p", "\xE9t\xE9", "\x81\xFF"}},
};

// Names each case by its command line in test output.
void PrintTo(const SplitCase& c, std::ostream* out) { *out << '[' << c.line << ']'; }

class SplitTest : public ::testing::TestWithParam<SplitCase> {
 protected:
  void SetUp() override { ResetFakePlatform(); }
  void TearDown() override { ResetFakePlatform(); }
};

TEST_P(SplitTest, SplitsIntoExpectedTokens) {
  const SplitCase& c = GetParam();
  const std::string original = c.line;
  char* tokens[8] = {};
  int count = SplitCommandLine(c.line, tokens, c.maxTokens);
  ASSERT_EQ(count, static_cast<int>(c.tokens.size())) << "line: " << c.line;
  for (int i = 0; i < count; ++i) EXPECT_EQ(tokens[i], c.tokens[i]) << "token " << i;
  for (int i = count; i < 8; ++i) EXPECT_EQ(tokens[i], nullptr) << "entry " << i << " written";
  EXPECT_EQ(original, c.line) << "the input line was altered";
  ASSERT_FALSE(fake.blockSizes.empty());
  EXPECT_EQ(fake.blockSizes[0], original.size() + 1);
}

// Each byte widened as it stands, the way the wide line holds the characters of the narrow one.
std::wstring Widen(const std::string& bytes) {
  std::wstring wide;
  for (unsigned char c : bytes) wide += static_cast<wchar_t>(c);
  return wide;
}

// The wide line splits into the same tokens, widened, from blocks of the same count.
TEST_P(SplitTest, WideLineSplitsAlike) {
  const SplitCase& c = GetParam();
  const std::wstring line = Widen(c.line);
  wchar_t* tokens[8] = {};
  int count = SplitCommandLine(line.c_str(), tokens, c.maxTokens);
  ASSERT_EQ(count, static_cast<int>(c.tokens.size())) << "line: " << c.line;
  for (int i = 0; i < count; ++i) EXPECT_EQ(tokens[i], Widen(c.tokens[i])) << "token " << i;
  for (int i = count; i < 8; ++i) EXPECT_EQ(tokens[i], nullptr) << "entry " << i << " written";
  ASSERT_FALSE(fake.blockSizes.empty());
  EXPECT_EQ(fake.blockSizes[0], (line.size() + 1) * sizeof(wchar_t));
}

INSTANTIATE_TEST_SUITE_P(Lines, SplitTest, ::testing::ValuesIn(kSplitCases));

struct WideCase {
  const wchar_t* line;
  std::vector<std::wstring> tokens;
};

// Wide characters whose low byte is a blank, a tab or a quote are ordinary
// characters, and so is every blank other than 0x20.
const WideCase kWideCases[] = {
    {L"p C:\\Пример\\x.inf ID /s", {L"p", L"C:\\Пример\\x.inf", L"ID", L"/s"}},
    {L"p \"C:\\Пример\\x.inf\" ID", {L"p", L"C:\\Пример\\x.inf", L"ID"}},
    {L"p \u0120a\u0109 \u0122x\u0122 \u0109", {L"p", L"\u0120a\u0109", L"\u0122x\u0122", L"\u0109"}},
    {L"p a\u3000b\u00a0c d", {L"p", L"a\u3000b\u00a0c", L"d"}},
    {L"\u0122p\u0122 \u0122a", {L"\u0122p\u0122", L"\u0122a"}},
};

TEST(WideSplit, OnlyBlankAndTabSeparateOnlyQuoteStrips) {
  for (const WideCase& c : kWideCases) {
    ResetFakePlatform();
    wchar_t* tokens[4] = {};
    int count = SplitCommandLine(c.line, tokens, 4);
    ASSERT_EQ(count, static_cast<int>(c.tokens.size())) << "case " << (&c - kWideCases);
    for (int i = 0; i < count; ++i) EXPECT_EQ(tokens[i], c.tokens[i]) << "token " << i;
  }
  ResetFakePlatform();
}

// Every allocation failing in turn leaves no usable token, never a torn one.
TEST(SplitFailure, AnyFailedAllocationYieldsNoToken) {
  const char* line = "\"C:\\x\\drvsetup.exe\" \"a.inf\" id \"/s\"";
  ResetFakePlatform();
  char* tokens[4];
  ASSERT_EQ(SplitCommandLine(line, tokens, 4), 4);
  const int allocations = fake.allocations;
  ASSERT_EQ(allocations, 4);  // the line copy and three quoted tokens
  for (int failing = 0; failing < allocations; ++failing) {
    ResetFakePlatform();
    fake.failAllocation = failing;
    EXPECT_EQ(SplitCommandLine(line, tokens, 4), 0) << "allocation " << failing << " failed";
  }
  const std::wstring wide = Widen(line);
  wchar_t* wideTokens[4];
  for (int failing = 0; failing < allocations; ++failing) {
    ResetFakePlatform();
    fake.failAllocation = failing;
    EXPECT_EQ(SplitCommandLine(wide.c_str(), wideTokens, 4), 0) << "wide allocation " << failing;
  }
  ResetFakePlatform();
}

}  // namespace
