#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dispatch.h"
#include "fake_platform.h"

namespace {

// Where the narrow line lost a character, the wide line holds it.
const wchar_t* const kWideLine = L"drvsetup.exe C:\\Пример\\x.inf ID /s";
const char* const kNarrowLine = "drvsetup.exe C:\\??????\\x.inf ID /s";
const char* const kShort = "C:\\____~AJ2\\x.inf";

struct RecoveryCase {
  const char* name;
  const char* line;
  const wchar_t* wideLine;
  bool hasShortName;        // the wide INF token has the short path kShort
  bool shortNameOpens;      // kShort can be opened
  int exitCode;
  const char* checked;      // the path handed to the file check, or null
  const char* boxPath;      // the path the box names, or null for no box
  const char* installInf;   // what the update gets, or null for no update
  bool wideRead;            // the wide line was read
  const wchar_t* queried;   // the path whose short name was asked for, or null
};

const RecoveryCase kCases[] = {
    {"no ? in the token: untouched", "drvsetup.exe x.inf ID", L"drvsetup.exe y.inf ID", true, true,
     0, "x.inf", nullptr, "x.inf", false, nullptr},
    {"? in the hardware ID only", "drvsetup.exe x.inf I?", L"drvsetup.exe y.inf I\u0416", true, true,
     0, "x.inf", nullptr, "x.inf", false, nullptr},
    {"every step succeeds", kNarrowLine, kWideLine, true, true, 0, kShort, nullptr, kShort, true,
     L"C:\\Пример\\x.inf"},
    {"quoted token", "drvsetup.exe \"C:\\??????\\x.inf\" ID", L"drvsetup.exe \"C:\\Пример\\x.inf\" ID",
     true, true, 0, kShort, nullptr, kShort, true, L"C:\\Пример\\x.inf"},
    {"no short name", kNarrowLine, kWideLine, false, true, 6, "C:\\??????\\x.inf",
     "C:\\??????\\x.inf", nullptr, true, L"C:\\Пример\\x.inf"},
    {"short name found but cannot be opened", kNarrowLine, kWideLine, true, false, 6, kShort, kShort,
     nullptr, true, L"C:\\Пример\\x.inf"},
    {"wide line splits into another count", kNarrowLine, L"drvsetup.exe C:\\При\u3000мер\\x.inf", true,
     true, 6, "C:\\??????\\x.inf", "C:\\??????\\x.inf", nullptr, true, nullptr},
    {"empty wide line", kNarrowLine, L"", true, true, 6, "C:\\??????\\x.inf", "C:\\??????\\x.inf",
     nullptr, true, nullptr},
    {"a ? in the wide token too", "drvsetup.exe C:\\t\\?.inf ID", L"drvsetup.exe C:\\t\\?.inf ID",
     false, true, 6, "C:\\t\\?.inf", "C:\\t\\?.inf", nullptr, true, L"C:\\t\\?.inf"},
    {"rest of the line not /s: no file check", "drvsetup.exe C:\\??\\x.inf ID /s ",
     L"drvsetup.exe C:\\Пр\\x.inf ID /s ", true, true, 5, nullptr, nullptr, nullptr, false, nullptr},
    {"two arguments with /s", "drvsetup.exe C:\\??\\x.inf /s", L"drvsetup.exe C:\\Пр\\x.inf /s", true,
     true, 4, nullptr, nullptr, nullptr, false, nullptr},
};

void PrintTo(const RecoveryCase& c, std::ostream* out) { *out << c.name; }

class RecoveryTest : public ::testing::TestWithParam<RecoveryCase> {
 protected:
  void SetUp() override { ResetFakePlatform(); }
  void TearDown() override { ResetFakePlatform(); }
};

TEST_P(RecoveryTest, EndsAsTheTableSays) {
  const RecoveryCase& c = GetParam();
  fake.commandLine = c.line;
  fake.wideCommandLine = c.wideLine;
  fake.existingFiles = {"x.inf"};
  if (c.hasShortName) {
    fake.shortPaths = {{L"C:\\Пример\\x.inf", kShort}, {L"y.inf", "x.inf"}, {L"C:\\Пр\\x.inf", kShort}};
    fake.shortPaths.push_back({L"C:\\При\u3000мер\\x.inf", kShort});
  }
  if (c.shortNameOpens) fake.existingFiles.push_back(kShort);

  EXPECT_EQ(RunSetup(), c.exitCode);
  EXPECT_EQ(fake.fileChecks, c.checked ? std::vector<std::string>{c.checked} : std::vector<std::string>{});
  if (c.boxPath == nullptr) {
    EXPECT_TRUE(fake.boxes.empty());
  } else {
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, std::string("Le chemin ") + c.boxPath + " n'existe pas! ");
    EXPECT_EQ(fake.boxes[0].icon, 0x10u);
  }
  if (c.installInf == nullptr) {
    EXPECT_TRUE(fake.events.empty());
  } else {
    EXPECT_EQ(fake.events, (std::vector<std::string>{"start", "install", "stop"}));
    EXPECT_EQ(fake.installInf, c.installInf);
  }
  EXPECT_EQ(fake.wideReads, c.wideRead ? 1 : 0);
  EXPECT_EQ(fake.shortPathQueries,
            c.queried ? std::vector<std::wstring>{c.queried} : std::vector<std::wstring>{});
}

INSTANTIATE_TEST_SUITE_P(Roads, RecoveryTest, ::testing::ValuesIn(kCases));

// The update gets the full path of the short path that was checked.
TEST(Recovery, RelativeShortPathReachesTheUpdateInFull) {
  ResetFakePlatform();
  fake.commandLine = "drvsetup.exe ??????\\x.inf ID";
  fake.wideCommandLine = L"drvsetup.exe Пример\\x.inf ID";
  fake.shortPaths = {{L"Пример\\x.inf", "____~AJ2\\x.inf"}};
  fake.existingFiles = {"____~AJ2\\x.inf"};
  fake.fullPathPrefix = "C:\\work\\";
  EXPECT_EQ(RunSetup(), 0);
  EXPECT_EQ(fake.installInf, "C:\\work\\____~AJ2\\x.inf");
  EXPECT_FALSE(fake.installSilent);
  ResetFakePlatform();
}

// Each allocation of the wide split failing in turn: today's road, box and code.
TEST(Recovery, NoMemoryForTheWideSplitFallsBack) {
  const char* line = "drvsetup.exe \"C:\\??????\\x.inf\" ID";
  const wchar_t* wide = L"drvsetup.exe \"C:\\Пример\\x.inf\" ID";
  for (int failing = 2; failing < 4; ++failing) {  // 0 and 1: the narrow split
    ResetFakePlatform();
    SCOPED_TRACE("allocation " + std::to_string(failing));
    fake.commandLine = line;
    fake.wideCommandLine = wide;
    fake.shortPaths = {{L"C:\\Пример\\x.inf", kShort}};
    fake.existingFiles = {kShort};
    fake.failAllocation = failing;
    EXPECT_EQ(RunSetup(), 6);
    EXPECT_TRUE(fake.shortPathQueries.empty());
    ASSERT_EQ(fake.boxes.size(), 1u);
    EXPECT_EQ(fake.boxes[0].text, "Le chemin C:\\??????\\x.inf n'existe pas! ");
  }
  ResetFakePlatform();
}

}  // namespace
