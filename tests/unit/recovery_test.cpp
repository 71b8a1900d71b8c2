#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dispatch.h"
#include "fake_platform.h"

namespace {

// Where the narrow line lost a character, or got a look-alike, the wide line holds it.
const wchar_t* const kWideLine = L"drvsetup.exe C:\\Пример\\x.inf ID /s";
const char* const kNarrowLine = "drvsetup.exe C:\\??????\\x.inf ID /s";
const char* const kShort = "C:\\____~AJ2\\x.inf";
const char* const kDecoy = "C:\\Acme\\x.inf";  // beside C:\Ācme\x.inf, which has the short name kShort
const char* const kUtf8Path = "C:\\\xC4\x80" "cme\\x.inf";  // C:\Ācme\x.inf where the code page is UTF-8

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
  const wchar_t* queried;   // the path whose short name was asked for, or null
  bool utf8 = false;        // the ANSI code page is UTF-8
  int failAllocation = -1;  // the allocation that fails
};

const RecoveryCase kCases[] = {
    {"look-alike letter in the INF path: its short name, never the decoy",
     "drvsetup.exe C:\\Acme\\x.inf ID", L"drvsetup.exe C:\\Ācme\\x.inf ID", true, true, 0, kShort,
     nullptr, kShort, L"C:\\Ācme\\x.inf"},
    {"look-alike without a short name: the box, the decoy never opened", "drvsetup.exe C:\\Acme\\x.inf ID",
     L"drvsetup.exe C:\\Ācme\\x.inf ID", false, true, 6, nullptr, kDecoy, nullptr, L"C:\\Ācme\\x.inf"},
    {"? in the hardware ID: refused before the INF", "drvsetup.exe C:\\Acme\\x.inf I?",
     L"drvsetup.exe C:\\Ācme\\x.inf I\u0416", true, true, 5, nullptr, nullptr, nullptr, nullptr},
    {"fullwidth switch is not /s", "drvsetup.exe x.inf ID /s", L"drvsetup.exe x.inf ID ／ｓ", true, true,
     5, nullptr, nullptr, nullptr, nullptr},
    {"ideographic space before /s: another count", "drvsetup.exe x.inf ACPI /s",
     L"drvsetup.exe x.inf ACPI\u3000/s", true, true, 5, nullptr, nullptr, nullptr, nullptr},
    {"every step succeeds", kNarrowLine, kWideLine, true, true, 0, kShort, nullptr, kShort,
     L"C:\\Пример\\x.inf"},
    {"quoted token", "drvsetup.exe \"C:\\??????\\x.inf\" ID", L"drvsetup.exe \"C:\\Пример\\x.inf\" ID",
     true, true, 0, kShort, nullptr, kShort, L"C:\\Пример\\x.inf"},
    {"no short name", kNarrowLine, kWideLine, false, true, 6, nullptr, "C:\\??????\\x.inf", nullptr,
     L"C:\\Пример\\x.inf"},
    {"short name found but cannot be opened", kNarrowLine, kWideLine, true, false, 6, kShort, kShort,
     nullptr, L"C:\\Пример\\x.inf"},
    {"wide line splits into another count", kNarrowLine, L"drvsetup.exe C:\\При\u3000мер\\x.inf", true,
     true, 5, nullptr, nullptr, nullptr, nullptr},
    {"empty wide line", kNarrowLine, L"", true, true, 5, nullptr, nullptr, nullptr, nullptr},
    {"a ? in the wide token too", "drvsetup.exe C:\\t\\?.inf ID", L"drvsetup.exe C:\\t\\?.inf ID",
     false, true, 6, "C:\\t\\?.inf", "C:\\t\\?.inf", nullptr, nullptr},
    {"rest of the line not /s: no file check", "drvsetup.exe C:\\??\\x.inf ID /s ",
     L"drvsetup.exe C:\\Пр\\x.inf ID /s ", true, true, 5, nullptr, nullptr, nullptr, nullptr},
    {"two arguments with /s", "drvsetup.exe C:\\??\\x.inf /s", L"drvsetup.exe C:\\Пр\\x.inf /s", true,
     true, 4, nullptr, nullptr, nullptr, nullptr},
    {"code page 65001: the narrow line is exact", "drvsetup.exe C:\\\xC4\x80" "cme\\x.inf ID",
     L"drvsetup.exe C:\\Ācme\\x.inf ID", true, true, 0, kUtf8Path, nullptr, kUtf8Path, nullptr, true},
    // Allocations 0 and 1 split the narrow line, 2 and 3 the wide one: without it, as before.
    {"no memory for the wide line's copy", "drvsetup.exe \"C:\\??????\\x.inf\" ID",
     L"drvsetup.exe \"C:\\Пример\\x.inf\" ID", true, true, 6, "C:\\??????\\x.inf", "C:\\??????\\x.inf",
     nullptr, nullptr, false, 2},
    {"no memory for the wide quoted token", "drvsetup.exe \"C:\\??????\\x.inf\" ID",
     L"drvsetup.exe \"C:\\Пример\\x.inf\" ID", true, true, 6, "C:\\??????\\x.inf", "C:\\??????\\x.inf",
     nullptr, nullptr, false, 3},
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
  fake.utf8CodePage = c.utf8;
  fake.failAllocation = c.failAllocation;
  fake.existingFiles = {"x.inf", kDecoy, kUtf8Path};
  if (c.hasShortName) {
    fake.shortPaths = {{L"C:\\Пример\\x.inf", kShort}, {L"C:\\Пр\\x.inf", kShort}, {L"C:\\Ācme\\x.inf", kShort}};
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
  EXPECT_EQ(fake.wideReads, 1);
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

}  // namespace
