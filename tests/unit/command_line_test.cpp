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

INSTANTIATE_TEST_SUITE_P(Lines, SplitTest, ::testing::ValuesIn(kSplitCases));

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
  ResetFakePlatform();
}

}  // namespace
