#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>
#include <wchar.h>

#include "dispatch.h"
#include "fake_platform.h"
#include "messages.h"
#include "setup_table.h"
#include "table_sample.h"

namespace {

enum Box { NONE, USAGE, MISSING, PATH };

const char* const kHardwareId = "ID";  // what the table's samples get for {h}

struct DispatchCase {
  std::string line;
  int exitCode;
  Box box = NONE;
  const char* checkedFile = nullptr;  // the path handed to the file check where no update follows
  const char* installInf = nullptr;   // the file checked and updated from; null: no update may happen
  std::string installHardwareId = kHardwareId;
  bool silent = false;
  int driverResult = 1;
  const wchar_t* restartExitCode = nullptr;  // DRVSETUP_RESTART_EXIT_CODE; null: unset
  int rebootReport = 1;                      // the restart report the update leaves
  bool unattended = false;                   // the window station has no screen
  std::string road;                          // the log's road, where checked
};

const wchar_t* const kFullwidth3010 = L"\uFF13\uFF10\uFF11\uFF10";

// "x.inf" exists in every case; the driver update returns driverResult.
const DispatchCase kCases[] = {
    {.line = "", .exitCode = 5},
    {.line = " \t ", .exitCode = 5},
    {.line = "drvsetup.exe   ", .exitCode = 1, .box = USAGE},
    {.line = "drvsetup.exe /S", .exitCode = 3, .box = MISSING},
    {.line = "My drvsetup.exe", .exitCode = 3, .box = MISSING},
    {.line = "drvsetup.exe x.inf PCI\\VEN_1", .exitCode = 0, .installInf = "x.inf", .installHardwareId = "PCI\\VEN_1"},
    {.line = "drvsetup.exe\tx.inf\t\tID  ", .exitCode = 0, .installInf = "x.inf"},
    {.line = "drvsetup.exe x.inf ID", .exitCode = 5, .installInf = "x.inf", .driverResult = 0},
    {.line = "drvsetup.exe \"x.inf\" ID", .exitCode = 0, .installInf = "x.inf"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 5, .installInf = "x.inf", .silent = true, .driverResult = 0},
    {.line = "drvsetup.exe x.inf ID \"/s\"", .exitCode = 0, .installInf = "x.inf", .silent = true},
    {.line = "drvsetup.exe x.inf ID /s ", .exitCode = 5},
    {.line = "drvsetup.exe x.inf ID /s more", .exitCode = 5},
    {.line = "My drvsetup.exe x.inf ID", .exitCode = 5},
    {.line = "My drvsetup.exe x.inf ID /s", .exitCode = 5},
    {.line = "drvsetup.exe \"my x.inf\" ID", .exitCode = 5},
    {.line = "drvsetup.exe no.inf ID", .exitCode = 6, .box = PATH, .checkedFile = "no.inf"},
    {.line = "drvsetup.exe no.inf ID /s", .exitCode = 6, .box = PATH, .checkedFile = "no.inf"},
    {.line = "drvsetup.exe \"no.inf\" ID /s", .exitCode = 6, .box = PATH, .checkedFile = "no.inf"},
    {.line = "drvsetup.exe /s ID /s", .exitCode = 6, .box = PATH, .checkedFile = "/s"},
    {.line = "drvsetup.exe \xE9.inf ID", .exitCode = 6, .box = PATH, .checkedFile = "\xE9.inf"},
    // The restart: the installer's code in place of 0, only for a silent install that needs one
    // (more values the program does not take: IgnoredValueChangesNothing below).
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 3010, .installInf = "x.inf", .silent = true, .restartExitCode = L"3010"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 7, .installInf = "x.inf", .silent = true, .restartExitCode = L"7"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 2147483647, .installInf = "x.inf", .silent = true, .restartExitCode = L"2147483647"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 3010, .installInf = "x.inf", .silent = true, .restartExitCode = L"0003010"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 0, .installInf = "x.inf", .silent = true, .restartExitCode = L"6"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 0, .installInf = "x.inf", .silent = true, .restartExitCode = L"-3010"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 0, .installInf = "x.inf", .silent = true, .restartExitCode = L" 3010"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 0, .installInf = "x.inf", .silent = true, .restartExitCode = L"3010 "},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 0, .installInf = "x.inf", .silent = true, .restartExitCode = L"3010x"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 0, .installInf = "x.inf", .silent = true, .restartExitCode = L"99999999999999999999"},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 0, .installInf = "x.inf", .silent = true, .restartExitCode = L"3010", .rebootReport = 0},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 5, .installInf = "x.inf", .silent = true, .driverResult = 0, .restartExitCode = L"3010"},
    {.line = "drvsetup.exe x.inf ID", .exitCode = 0, .installInf = "x.inf", .restartExitCode = L"3010"},
    {.line = "drvsetup.exe x.inf ID /s ", .exitCode = 5, .restartExitCode = L"3010"},
    // Where nobody can see a window: each box's exit code with no box, no dialog, and a restart
    // report in either mode (silent here stands for the report's address).
    {.line = "drvsetup.exe", .exitCode = 1, .unattended = true},
    {.line = "drvsetup.exe x.inf", .exitCode = 3, .unattended = true},
    {.line = "drvsetup.exe /s", .exitCode = 2, .unattended = true},
    {.line = "drvsetup.exe no.inf ID /s", .exitCode = 6, .checkedFile = "no.inf", .unattended = true},
    {.line = "drvsetup.exe x.inf ID", .exitCode = 0, .installInf = "x.inf", .silent = true, .unattended = true},
    {.line = "drvsetup.exe x.inf ID", .exitCode = 3010, .installInf = "x.inf", .silent = true, .restartExitCode = L"3010", .unattended = true},
    {.line = "drvsetup.exe x.inf ID /s", .exitCode = 5, .installInf = "x.inf", .silent = true, .driverResult = 0, .restartExitCode = L"3010", .unattended = true},
};

// Each row of the program's decision table, by its sample line: what the row says, its road
// logged. x.inf exists, and the update succeeds.
std::vector<DispatchCase> TableCases() {
  const Box boxes[] = {NONE, USAGE, MISSING};
  std::vector<DispatchCase> cases;
  for (const TableRow& row : setupTable)
    cases.push_back({.line = Sample(row, "x.inf", kHardwareId),
                     .exitCode = row.exitCode,
                     .box = boxes[row.box],
                     .installInf = row.outcome == STOP ? nullptr : "x.inf",
                     .silent = row.outcome == GO_SILENT,
                     .road = row.road});
  return cases;
}

// Names each case by its command line in test output.
void PrintTo(const DispatchCase& c, std::ostream* out) {
  *out << '[' << c.line << ']';
  if (c.restartExitCode == nullptr) return;
  *out << " DRVSETUP_RESTART_EXIT_CODE=[";
  for (const wchar_t* p = c.restartExitCode; *p != 0; ++p)
    if (*p < 0x80) *out << static_cast<char>(*p);
    else *out << "U+" << std::hex << static_cast<unsigned>(*p) << std::dec;
  *out << "] report " << c.rebootReport;
}

class DispatchTest : public ::testing::TestWithParam<DispatchCase> {
 protected:
  void SetUp() override { ResetFakePlatform(); }
  void TearDown() override { ResetFakePlatform(); }
};

void ExpectBox(Box box, const char* checkedFile) {
  if (box == NONE) {
    EXPECT_TRUE(fake.boxes.empty());
    return;
  }
  ASSERT_EQ(fake.boxes.size(), 1u);
  const FakeBox& shown = fake.boxes[0];
  if (box == PATH) {
    EXPECT_EQ(shown.text, std::string("Le chemin ") + checkedFile + " n'existe pas! ");
    EXPECT_FALSE(shown.hasCaption);
    EXPECT_EQ(shown.icon, 0x10u);
    return;
  }
  EXPECT_EQ(shown.text, box == USAGE ? USAGE_TEXT : MISSING_ARGUMENT_TEXT);
  EXPECT_TRUE(shown.hasCaption);
  EXPECT_EQ(shown.caption, "Infos sur les parametres");
  EXPECT_EQ(shown.icon, 0x40u);
}

TEST_P(DispatchTest, EndsWithExpectedOutcome) {
  const DispatchCase& c = GetParam();
  fake.commandLine = c.line;
  fake.existingFiles = {"x.inf"};
  fake.driverResult = c.driverResult;
  fake.restartExitCode = c.restartExitCode;
  fake.rebootReport = c.rebootReport;
  fake.windowStationVisible = !c.unattended;
  if (!c.road.empty()) fake.logPath = "C:\\log.txt";

  EXPECT_EQ(RunSetup(), c.exitCode);
  const char* checked = c.installInf != nullptr ? c.installInf : c.checkedFile;
  ExpectBox(c.box, checked);
  if (checked == nullptr) {
    EXPECT_TRUE(fake.fileChecks.empty());
  } else {
    EXPECT_EQ(fake.fileChecks, std::vector<std::string>{checked});
  }
  if (!c.road.empty()) {
    EXPECT_EQ(std::count(fake.logLines.begin(), fake.logLines.end(), "road: " + c.road + "\r\n"), 1);
    fake.events.erase(std::remove(fake.events.begin(), fake.events.end(), "log"), fake.events.end());
  }
  if (c.installInf == nullptr) {
    EXPECT_TRUE(fake.events.empty()) << "no dialog and no update expected";
    return;
  }
  // The seam's members in their order of use: a start and a stop swapped where the seam is filled
  // fails here.
  const std::vector<std::string> attended = {"start", "install", "stop"}, unattended = {"install"};
  EXPECT_EQ(fake.events, c.unattended ? unattended : attended);
  EXPECT_EQ(fake.installUnattended, c.unattended);
  EXPECT_EQ(fake.installInf, c.installInf);
  EXPECT_EQ(fake.installHardwareId, c.installHardwareId);
  EXPECT_EQ(fake.installSilent, c.silent);
}

INSTANTIATE_TEST_SUITE_P(TableRows, DispatchTest, ::testing::ValuesIn(TableCases()));
INSTANTIATE_TEST_SUITE_P(CommandLines, DispatchTest, ::testing::ValuesIn(kCases));

// A value the program does not take leaves the whole run as it was, its log included.
TEST(RestartExitCode, IgnoredValueChangesNothing) {
  const wchar_t* const ignored[] = {L"",           L"0",          L"5",          L"259",
                                    L"abc",        L"+3010",      L"2147483648", kFullwidth3010};
  auto run = [](const wchar_t* value) {
    ResetFakePlatform();
    fake.commandLine = "drvsetup.exe x.inf ID /s";
    fake.existingFiles = {"x.inf"};
    fake.logPath = "C:\\log.txt";
    fake.restartExitCode = value;
    int code = RunSetup();
    return std::make_tuple(code, fake.events, fake.logLines, fake.boxes.size());
  };
  const auto unset = run(nullptr);
  EXPECT_EQ(std::get<0>(unset), 0);
  for (const wchar_t* value : ignored) {
    SCOPED_TRACE(wcslen(value));
    EXPECT_EQ(run(value), unset);
  }
  ResetFakePlatform();
}

// Session 0 counts as unattended when the console is in another session (services, an
// "interactive" service's box); WinPE's console is session 0, and sessions that cannot be
// read change nothing.
TEST(Unattended, SessionZeroWithTheConsoleElsewhere) {
  struct {
    bool visible;
    int sessionsRead;
    unsigned long process, console;
    bool unattended;
  } cases[] = {
      {true, 1, 0, 1, true},   {true, 1, 0, 0xFFFFFFFF, true}, {true, 1, 0, 0, false},
      {true, 1, 1, 1, false},  {true, 1, 2, 1, false},         {true, 0, 0, 1, false},
      {false, 1, 1, 1, true},  {false, 0, 0, 0, true},
  };
  for (const auto& c : cases) {
    for (const char* line : {"drvsetup.exe x.inf ID", "drvsetup.exe"}) {
      ResetFakePlatform();
      SCOPED_TRACE(std::to_string(c.process) + " in console " + std::to_string(c.console) + ": " + line);
      fake.windowStationVisible = c.visible;
      fake.sessionsRead = c.sessionsRead;
      fake.processSession = c.process;
      fake.consoleSession = c.console;
      fake.commandLine = line;
      fake.existingFiles = {"x.inf"};
      bool install = line[12] != '\0';
      EXPECT_EQ(RunSetup(), install ? 0 : 1);
      EXPECT_EQ(fake.installUnattended, install && c.unattended);
      EXPECT_EQ(fake.installSilent, install && c.unattended);  // the report address: no prompt
      EXPECT_EQ(fake.boxes.size(), install || c.unattended ? 0u : 1u);
    }
  }
  ResetFakePlatform();
}

// DRVSETUP_ONLY_IF_BETTER=1 alone unforces the update, and there ERROR_NO_MORE_ITEMS (the
// device's driver is as good or better) is success; every other value is the forced update.
TEST(OnlyIfBetter, ExactlyOneUnforcesTheUpdate) {
  struct {
    const wchar_t* value;
    int driverResult;
    unsigned long updateError;
    bool forced;
    int exitCode;
  } cases[] = {
      {L"1", 1, 0, false, 0},           {L"1", 0, 259, false, 0},        {L"1", 0, 0xE000020B, false, 5},
      {L"1", 0, 0xE0000242, false, 5},  {nullptr, 0, 259, true, 5},      {L"", 0, 259, true, 5},
      {L"0", 0, 259, true, 5},          {L"yes", 0, 259, true, 5},       {L"1 ", 0, 259, true, 5},
      {L"11", 0, 259, true, 5},         {L"\uFF11", 0, 259, true, 5},    {nullptr, 1, 0, true, 0},
  };
  for (const auto& c : cases) {
    for (bool unattended : {false, true}) {
      ResetFakePlatform();
      SCOPED_TRACE(std::to_string(c.updateError) + (c.value ? " set" : " unset") + (unattended ? " unattended" : ""));
      fake.commandLine = "drvsetup.exe x.inf ID";
      fake.existingFiles = {"x.inf"};
      fake.onlyIfBetter = c.value;
      fake.driverResult = c.driverResult;
      fake.updateError = c.updateError;
      fake.windowStationVisible = !unattended;
      fake.logPath = "C:\\log.txt";
      EXPECT_EQ(RunSetup(), c.exitCode);
      EXPECT_EQ(fake.installForced, c.forced);
      bool kept = std::count_if(fake.logLines.begin(), fake.logLines.end(), [](const std::string& l) {
                    return l.rfind("update: the device kept its driver", 0) == 0;
                  }) == 1;
      EXPECT_EQ(kept, !c.forced && c.updateError == 259);
    }
  }
  ResetFakePlatform();
}

TEST(PathError, LongPathIsShownWhole) {
  ResetFakePlatform();
  const std::string path(30000, 'p');
  fake.commandLine = "drvsetup.exe " + path + " ID";
  EXPECT_EQ(RunSetup(), 6);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "Le chemin " + path + " n'existe pas! ");
  ResetFakePlatform();
}

// A failed update that found no device: the package is staged only for a code the program
// takes and only for ERROR_NO_SUCH_DEVINST, and only a staging that worked gives that code.
TEST(NoDeviceExitCode, StagesOnlyForNoDeviceAndAChosenCode) {
  struct {
    const wchar_t* value;
    unsigned long updateError;
    int stageResult, exitCode;
    bool staged;
    int offered = 1;  // the INF offers the ID on this platform
    const char *build = "x64", *native = "x64";
    bool offerChecked = true;
  } cases[] = {
      {L"3011", 0xE000020B, 1, 3011, true},  {L"3011", 0xE000020B, 0, 5, true},
      {L"3011", 0xE0000235, 1, 5, false, 1, "x64", "x64", false},
      {nullptr, 0xE000020B, 1, 5, false, 1, "x64", "x64", false},
      {L"", 0xE000020B, 1, 5, false, 1, "x64", "x64", false},
      {L"5", 0xE000020B, 1, 5, false, 1, "x64", "x64", false},
      {L"259", 0xE000020B, 1, 5, false, 1, "x64", "x64", false},
      {L"+3011", 0xE000020B, 1, 5, false, 1, "x64", "x64", false},
      // A typo, or an ID only another platform's section lists: Windows would never install it.
      {L"3011", 0xE000020B, 1, 5, false, 0},
      // A 32-bit build on 64-bit Windows never stages, whatever the update said.
      {L"3011", 0xE000020B, 1, 5, false, 1, "x86", "x64", false},
      {L"3011", 0xE0000235, 1, 5, false, 1, "x86", "arm64", false},
      {L"3011", 0xE000020B, 1, 3011, true, 1, "x86", "x86"},
  };
  for (const auto& c : cases) {
    for (const char* line : {"drvsetup.exe x.inf ID", "drvsetup.exe x.inf ID /s"}) {
      ResetFakePlatform();
      SCOPED_TRACE(std::string(line) + " error " + std::to_string(c.updateError));
      fake.commandLine = line;
      fake.existingFiles = {"x.inf"};
      fake.fullPathPrefix = "C:\\work\\";
      fake.driverResult = 0;
      fake.updateError = c.updateError;
      fake.noDeviceExitCode = c.value;
      fake.stageResult = c.stageResult;
      fake.offered = c.offered;
      fake.build = c.build;
      fake.native = c.native;
      EXPECT_EQ(RunSetup(), c.exitCode);
      EXPECT_EQ(std::count(fake.events.begin(), fake.events.end(), "stage"), c.staged ? 1 : 0);
      EXPECT_EQ(fake.offerChecks, c.offerChecked ? std::vector<std::string>{"ID"} : std::vector<std::string>{});
    }
  }
  ResetFakePlatform();
  fake.commandLine = "drvsetup.exe x.inf ID";  // a device present: installed, nothing staged
  fake.existingFiles = {"x.inf"};
  fake.noDeviceExitCode = L"3011";
  EXPECT_EQ(RunSetup(), 0);
  EXPECT_EQ(std::count(fake.events.begin(), fake.events.end(), "stage"), 0);
  ResetFakePlatform();
}

// The update gets the checked file's full path; the check and the box keep the
// token as given; where resolution fails, nothing is handed over (a bare name
// would be taken from the system's INF folder) and the log says why.
TEST(FullPath, UpdateGetsTheCheckedFilesFullPath) {
  struct {
    const char* line;
    bool resolutionFails;
    int exitCode;
    const char* installInf;  // null: no dialog and no update
  } cases[] = {
      {"drvsetup.exe x.inf ID", false, 0, "C:\\work\\x.inf"},
      {"drvsetup.exe \"x.inf\" ID /s", false, 0, "C:\\work\\x.inf"},
      {"drvsetup.exe x.inf ID /s", true, 5, nullptr},
  };
  for (const auto& c : cases) {
    ResetFakePlatform();
    SCOPED_TRACE(c.line);
    fake.commandLine = c.line;
    fake.existingFiles = {"x.inf"};
    fake.fullPathPrefix = "C:\\work\\";
    fake.fullPathFails = c.resolutionFails;
    fake.logPath = "C:\\log.txt";
    fake.lastError = 206;
    EXPECT_EQ(RunSetup(), c.exitCode);
    EXPECT_EQ(fake.fileChecks, std::vector<std::string>{"x.inf"});
    EXPECT_EQ(fake.installInf, c.installInf ? c.installInf : "");
    EXPECT_EQ(std::count(fake.events.begin(), fake.events.end(), "start"), c.installInf ? 1 : 0);
    std::string said = "INF full path: [x.inf] cannot be resolved, so no update: 0x000000CE";
    EXPECT_EQ(std::count_if(fake.logLines.begin(), fake.logLines.end(),
                            [&](const std::string& l) { return l.rfind(said, 0) == 0; }),
              c.resolutionFails ? 1 : 0);
  }
  ResetFakePlatform();
  fake.commandLine = "drvsetup.exe no.inf ID";
  fake.fullPathPrefix = "C:\\work\\";
  EXPECT_EQ(RunSetup(), 6);
  ASSERT_EQ(fake.boxes.size(), 1u);
  EXPECT_EQ(fake.boxes[0].text, "Le chemin no.inf n'existe pas! ");
  ResetFakePlatform();
}

// Each allocation failing in turn: exit 5 with nothing shown or installed
// when the narrow line cannot be split; the same outcome as with no failure
// when the wide line cannot be (it is split second); exit 6 without a box
// when only the path error text cannot be had.
TEST(AllocationFailure, EveryFailureEndsCleanly) {
  struct {
    const char* line;
    int splitAllocations;  // for each line, narrow then wide
    int exitCode;          // with no failure
  } cases[] = {{"\"drvsetup.exe\" \"x.inf\" ID \"/s\"", 4, 0}, {"drvsetup.exe \"no.inf\" ID", 2, 6}};
  for (const auto& c : cases) {
    for (int failing = 0; failing <= 2 * c.splitAllocations; ++failing) {
      ResetFakePlatform();
      fake.commandLine = c.line;
      fake.existingFiles = {"x.inf"};
      fake.failAllocation = failing;
      int code = RunSetup();
      SCOPED_TRACE(std::string(c.line) + " allocation " + std::to_string(failing));
      bool pathText = c.exitCode == 6 && failing == 2 * c.splitAllocations;
      if (failing < c.splitAllocations) {
        EXPECT_EQ(code, 5);
        EXPECT_TRUE(fake.boxes.empty());
        EXPECT_TRUE(fake.events.empty());
      } else {
        EXPECT_EQ(code, c.exitCode);
        EXPECT_EQ(fake.boxes.size(), c.exitCode == 6 && !pathText ? 1u : 0u);
        EXPECT_EQ(fake.events.size(), c.exitCode == 0 ? 3u : 0u);
      }
    }
  }
  ResetFakePlatform();
}

}  // namespace
