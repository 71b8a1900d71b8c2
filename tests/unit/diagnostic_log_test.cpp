#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "diagnostic_log.h"
#include "dispatch.h"
#include "error_names.h"
#include "fake_platform.h"

namespace {

struct LogCase {
  const char* line;
  int driverResult;
  unsigned long updateError;
  std::vector<std::string> lines;  // must appear in this order, each as the start of a line
  const wchar_t* restartExitCode = nullptr;  // DRVSETUP_RESTART_EXIT_CODE; null: unset
  bool unattended = false;                   // the window station has no screen
  const wchar_t* noDeviceExitCode = nullptr;  // DRVSETUP_NO_DEVICE_EXIT_CODE; null: unset
  unsigned long processSession = 1;            // the console is session 1
};

const char* const kHead[] = {"---- drvsetup run 2024-03-09 07:05:04.032 local time, process 4242",
                             "architecture: x64 build on x64 Windows (from IsWow64Process2)"};

// "x.inf" exists; a failed file check reports error 2.
const LogCase kCases[] = {
    {"", 1, 0, {"command line: []", "tokens: 0", "road: no token", "exit code 5: failure"}},
    {"drvsetup.exe", 1, 0,
     {"token 0: [drvsetup.exe]", "road: program name only",
      "usage box shown, waiting for OK", "exit code 1: usage shown"}},
    {"drvsetup.exe /s", 1, 0, {"road: one argument, /s", "exit code 2: /s alone"}},
    {"drvsetup.exe x", 1, 0, {"road: one argument, not /s", "missing-argument box shown",
                             "exit code 3: missing argument"}},
    {"drvsetup.exe x.inf /s", 1, 0, {"road: two arguments, one of them /s", "exit code 4"}},
    {"drvsetup.exe x.inf ID /s ", 1, 0,
     {"token 3: [/s ]", "road: the rest of the line after the hardware ID is not exactly /s",
      "exit code 5: failure"}},
    {"drvsetup.exe \"no.inf\" ID", 1, 0,
     {"command line: [drvsetup.exe \"no.inf\" ID]", "token 1: [no.inf]",
      "road: INF path and hardware ID: normal install",
      "INF check: [no.inf] cannot be opened for reading: 0x00000002 ERROR_FILE_NOT_FOUND: The "
      "system cannot find the file specified.\r\n",
      "path error box shown",
      "exit code 6: the INF file cannot be opened"}},
    {"drvsetup.exe x.inf ID", 1, 0,
     {"INF check: [x.inf] can be opened for reading",
      "update: library loaded: C:\\Windows\\system32\\newdev.dll",
      "update: UpdateDriverForPlugAndPlayDevicesA found",
      "update: calling it with hardware ID [ID], INF [x.inf]",
      "update: flags 1 (INSTALLFLAG_FORCE), no owner window, no restart report address (normal)", "update: returned TRUE",
      "exit code 0: installed"}},
    {"drvsetup.exe x.inf ID /s", 0, 0xE0000235,
     {"road: INF path, hardware ID and /s: silent install",
      "update: flags 1 (INSTALLFLAG_FORCE), no owner window, restart report address (silent)",
      "update: returned FALSE, last error 0xE0000235 ERROR_IN_WOW64",
      "hint: a 32-bit program cannot install drivers on 64-bit Windows",
      "update: restart report left by the update: 1 (restart needed)", "exit code 5"}},
    {"drvsetup.exe x.inf ID", 0, 0xE000020B,
     {"update: returned FALSE, last error 0xE000020B ERROR_NO_SUCH_DEVINST",
      "hint: no device present has exactly this hardware ID", "exit code 5"}},
    {"drvsetup.exe x.inf ID", 0, 1168,
     {"update: returned FALSE, last error 0x00000490: Element not found.\r\n", "exit code 5"}},
    {"drvsetup.exe x.inf ID", 0, 0xE0000999,
     {"update: returned FALSE, last error 0xE0000999: (no text from the system)"}},
    {"drvsetup.exe x.inf I\xE9\xFC", 1, 0, {"token 2: [I\xE9\xFC]"}},
    {"drvsetup.exe x.inf ID\r\nexit code 0: installed", 1, 0,
     {"token 2: [ID\\x0D\\x0Aexit]\r\n", "token 3: [code 0: installed]\r\n", "exit code 5"}},
    {"drvsetup.exe\tx.inf ID\x1F\x7F /s", 1, 0,
     {"command line: [drvsetup.exe\\x09x.inf ID\\x1F\x7F /s]\r\n", "token 2: [ID\\x1F\x7F]"}},
    {"drvsetup.exe x.inf ID /s", 1, 0,
     {"update: returned TRUE", "update: restart report left by the update: 1 (restart needed)",
      "exit code 3010: installed, restart needed: DRVSETUP_RESTART_EXIT_CODE in place of 0\r\n"},
     L"3010"},
    {"drvsetup.exe x.inf ID /s", 1, 0,
     {"update: restart report left by the update: 1 (restart needed)", "exit code 0: installed\r\n"},
     L"+3010"},
    {"drvsetup.exe no.inf ID", 1, 0,
     {"window station without a screen (a service, or SYSTEM's session): no box and no dialog",
      "INF check: [no.inf] cannot be opened", "path error box not shown: nobody can see it\r\n",
      "exit code 6"},
     nullptr, true},
    {"drvsetup.exe x.inf ID", 0, 0xE0000242,
     {"update: flags 5 (INSTALLFLAG_FORCE | INSTALLFLAG_NONINTERACTIVE), no owner window, restart "
      "report address (unattended)\r\n",
      "update: returned FALSE, last error 0xE0000242 ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED\r\n",
      "hint: the package's signer is not yet a trusted publisher",
      "update: restart report left by the update: 1", "exit code 5"},
     nullptr, true},
    {"drvsetup.exe x.inf ID", 0, 0xE000020B,
     {"update: returned FALSE, last error 0xE000020B ERROR_NO_SUCH_DEVINST",
      "exit code 3011: no device yet, the package is in the driver store: "
      "DRVSETUP_NO_DEVICE_EXIT_CODE\r\n"},
     nullptr, false, L"3011"},
    {"drvsetup.exe", 1, 0,
     {"session 0, while the console is session 1: nobody sees its windows, so no box and no dialog "
      "is shown, and the update is told not to show a window, as nobody could answer\r\n",
      "road: program name only", "usage box not shown: nobody can see it\r\n", "exit code 1"},
     nullptr, false, nullptr, 0},
};

void PrintTo(const LogCase& c, std::ostream* out) { *out << '[' << c.line << ']'; }

class LogTest : public ::testing::TestWithParam<LogCase> {
 protected:
  void SetUp() override {
    ResetFakePlatform();
    fake.logPath = "C:\\log.txt";
    fake.existingFiles = {"x.inf"};
    fake.lastError = 2;
  }
  void TearDown() override { ResetFakePlatform(); }
};

// The block's head, then each of lines at the start of a line, in this order, each line whole.
void ExpectBlock(const std::vector<std::string>& lines) {
  ASSERT_GE(fake.logLines.size(), 2u);
  EXPECT_EQ(fake.logLines[0], std::string(kHead[0]) + "\r\n");
  EXPECT_EQ(fake.logLines[1], std::string(kHead[1]) + "\r\n");
  size_t at = 2;
  for (const std::string& want : lines) {
    while (at < fake.logLines.size() && fake.logLines[at].compare(0, want.size(), want) != 0) ++at;
    EXPECT_LT(at, fake.logLines.size()) << "missing, or out of order: " << want;
  }
  for (const std::string& line : fake.logLines) {
    EXPECT_EQ(line.find("\r\n"), line.size() - 2) << "one line per write: " << line;
  }
}

TEST_P(LogTest, BlockTellsTheRoad) {
  const LogCase& c = GetParam();
  fake.commandLine = c.line;
  fake.driverResult = c.driverResult;
  fake.updateError = c.updateError;
  fake.restartExitCode = c.restartExitCode;
  fake.windowStationVisible = !c.unattended;
  fake.noDeviceExitCode = c.noDeviceExitCode;
  fake.processSession = c.processSession;
  RunSetup();
  ExpectBlock(c.lines);
  EXPECT_EQ(fake.logOpens, 1);
}

INSTANTIATE_TEST_SUITE_P(Roads, LogTest, ::testing::ValuesIn(kCases));

struct RecoveryLogCase {
  const char* line;
  const wchar_t* wideLine;
  bool hasShortName;
  std::vector<std::string> lines;  // lines that begin with "INF path " come only as listed
};

// The wide path in UTF-8 (spelled out byte by byte in the first row), then the short one.
const RecoveryLogCase kRecoveryCases[] = {
    {"drvsetup.exe C:\\??????\\x.inf ID /s", L"drvsetup.exe C:\\Пример\\x.inf ID /s", true,
     {"road: INF path, hardware ID and /s: silent install",
      "INF path recovered through its short name: [C:\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80"
      "\\x.inf] is [C:\\____~AJ2\\x.inf]\r\n",
      "INF check: [C:\\____~AJ2\\x.inf] can be opened for reading",
      "update: calling it with hardware ID [ID], INF [C:\\____~AJ2\\x.inf]", "exit code 0"}},
    {"drvsetup.exe C:\\??????\\x.inf ID", L"drvsetup.exe C:\\Пример\\x.inf ID", false,
     {"token 1 as typed is another text: [C:\\Пример\\x.inf]\r\n",
      "road: INF path and hardware ID: normal install",
      "INF path not recovered through a short name: [C:\\Пример\\x.inf] has none in the ANSI code "
      "page\r\n",
      "path error box shown", "exit code 6"}},
    {"drvsetup.exe x.inf HWA\\1", L"drvsetup.exe x.inf HWĀ\\1", true,
     {"token 2 as typed is another text: [HW\xC4\x80\\1]\r\n",
      "road: the hardware ID is not as typed: no update\r\n", "exit code 5"}},
    {"drvsetup.exe C:\\??????\\x.inf ID", L"", true,
     {"road: the line as typed splits into another count of tokens: nothing done\r\n",
      "exit code 5"}},
};

TEST_F(LogTest, RecoveryTellsBothForms) {
  for (const RecoveryLogCase& c : kRecoveryCases) {
    SCOPED_TRACE(c.line);
    SetUp();
    fake.commandLine = c.line;
    fake.wideCommandLine = c.wideLine;
    if (c.hasShortName) fake.shortPaths = {{L"C:\\Пример\\x.inf", "C:\\____~AJ2\\x.inf"}};
    fake.existingFiles = {"C:\\____~AJ2\\x.inf"};
    RunSetup();
    ExpectBlock(c.lines);
    int recoveryLines = 0, expected = 0;
    for (const std::string& line : fake.logLines) recoveryLines += line.rfind("INF path ", 0) == 0;
    for (const std::string& line : c.lines) expected += line.rfind("INF path ", 0) == 0;
    EXPECT_EQ(recoveryLines, expected);
    ResetFakePlatform();
  }
}

// A token as typed adds no line; a wide path too long for the line buffer leaves it whole.
TEST_F(LogTest, RecoveryLineOnlyForATokenNotAsTyped) {
  fake.commandLine = "drvsetup.exe x.inf ID";
  fake.wideCommandLine = L"drvsetup.exe x.inf ID";
  RunSetup();
  for (const std::string& line : fake.logLines) EXPECT_NE(line.rfind("INF path ", 0), 0u) << line;
  ResetFakePlatform();
  SetUp();
  fake.commandLine = "drvsetup.exe ?.inf ID";
  fake.wideCommandLine = L"drvsetup.exe " + std::wstring(34000, L'\u0416') + L" ID";
  EXPECT_EQ(RunSetup(), 6);
  ExpectBlock({"INF path not recovered through a short name: [] has none in the ANSI code page\r\n",
               "exit code 6"});
}

TEST_F(LogTest, LinesComeBeforeTheBox) {
  fake.commandLine = "drvsetup.exe";
  RunSetup();
  ASSERT_EQ(fake.boxes.size(), 1u);
  ASSERT_EQ(fake.boxes[0].logLinesBefore, 7u);
  EXPECT_EQ(fake.logLines[6], "usage box shown, waiting for OK\r\n");
}

TEST_F(LogTest, LibraryAndFunctionMissing) {
  fake.commandLine = "drvsetup.exe x.inf ID";
  fake.libraryLoaded = false;
  RunSetup();
  EXPECT_EQ(fake.logLines[fake.logLines.size() - 2],
            "update: newdev.dll not loaded from the system directory: 0x0000007E: The specified "
            "module could not be found.\r\n");
  ResetFakePlatform();
  SetUp();
  fake.commandLine = "drvsetup.exe x.inf ID";
  fake.functionFound = false;
  RunSetup();
  EXPECT_EQ(fake.logLines[fake.logLines.size() - 2],
            "update: UpdateDriverForPlugAndPlayDevicesA not found\r\n");
}

TEST_F(LogTest, LongLines) {
  fake.commandLine = "drvsetup.exe " + std::string(40000, 'p') + " ID";
  EXPECT_EQ(RunSetup(), 6);
  EXPECT_EQ(fake.logLines[2].size(), 34000u) << "cut to the line buffer, still one whole line";
  EXPECT_EQ(fake.logLines[2].substr(33998), "\r\n");
}

// The staging's lines, as StageDriverPackage writes them with what SetupCopyOEMInfA gave.
TEST_F(LogTest, StagingTellsWhereThePackageWent) {
  fake.commandLine = "drvsetup.exe";
  LogStart("drvsetup");
  LogStaging("C:\\t\\x.inf", "C:\\Windows\\INF\\oem7.inf", 0);
  LogStaging("C:\\t\\x.inf", nullptr, 5);
  ASSERT_EQ(fake.logLines.size(), 7u);
  const char* const want[] = {
      "staging: no device has the ID yet: adding [C:\\t\\x.inf] to the driver store (SetupCopyOEMInfA)\r\n",
      "staging: published as [C:\\Windows\\INF\\oem7.inf]: Windows installs it when the device is "
      "plugged in\r\n",
      "staging: no device has the ID yet: adding [C:\\t\\x.inf] to the driver store (SetupCopyOEMInfA)\r\n",
      "staging: failed: 0x00000005 ERROR_ACCESS_DENIED\r\n",
      "hint: not elevated: run the installer as administrator (MSI: deferred, Impersonate=\"no\")\r\n"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(fake.logLines[2 + i], want[i]);
}

struct ArchCase {
  const char *build, *native, *source;
  const char* architecture;  // the block's second line
  const char* mismatch;      // its third line, or null when the build matches Windows
  const char* wow64Hint;     // how the hint for ERROR_IN_WOW64 ends
};

const ArchCase kArchs[] = {
    {"x64", "x64", "IsWow64Process2", "architecture: x64 build on x64 Windows (from IsWow64Process2)",
     nullptr, "use the x64 drvsetup.exe"},
    {"arm64", "arm64", "IsWow64Process2",
     "architecture: arm64 build on arm64 Windows (from IsWow64Process2)", nullptr,
     "use the arm64 drvsetup.exe"},
    {"x86", "x86", "IsWow64Process", "architecture: x86 build on x86 Windows (from IsWow64Process)",
     nullptr, "use the x86 drvsetup.exe"},
    {"x86", "x64", "IsWow64Process2", "architecture: x86 build on x64 Windows (from IsWow64Process2)",
     "mismatch: use the x64 drvsetup.exe", "use the x64 drvsetup.exe"},
    {"x86", "arm64", "IsWow64Process2",
     "architecture: x86 build on arm64 Windows (from IsWow64Process2)",
     "mismatch: use the arm64 drvsetup.exe", "use the arm64 drvsetup.exe"},
    {"x64", "arm64", "IsWow64Process2",
     "architecture: x64 build on arm64 Windows (from IsWow64Process2)",
     "mismatch: use the arm64 drvsetup.exe", "use the arm64 drvsetup.exe"},
    {"x86", nullptr, "IsWow64Process", "architecture: x86 build on unknown Windows (from IsWow64Process)",
     nullptr, "use the 64-bit drvsetup.exe"},
};

// The mismatch line comes even when the update succeeds; the WOW64 hint names the build to use.
TEST_F(LogTest, ArchitecturesAndTheBuildToUse) {
  for (const ArchCase& c : kArchs) {
    for (int result : {1, 0}) {
      ResetFakePlatform();
      SetUp();
      fake.build = c.build;
      fake.native = c.native;
      fake.archSource = c.source;
      fake.commandLine = "drvsetup.exe x.inf ID /s";
      fake.driverResult = result;
      fake.updateError = 0xE0000235;
      EXPECT_EQ(RunSetup(), result ? 0 : 5);
      ASSERT_GE(fake.logLines.size(), 4u);
      EXPECT_EQ(fake.logLines[1], std::string(c.architecture) + "\r\n");
      EXPECT_EQ(fake.logLines[2], c.mismatch ? std::string(c.mismatch) + "\r\n" : "command line: [drvsetup.exe x.inf ID /s]\r\n")
          << c.build << " on " << (c.native ? c.native : "?");
      std::string hint = "hint: a 32-bit program cannot install drivers on 64-bit Windows: " + std::string(c.wow64Hint) + "\r\n";
      int hints = 0;
      for (const std::string& line : fake.logLines) hints += line.rfind("hint: ", 0) == 0 ? 1 : 0;
      if (result) {
        EXPECT_EQ(hints, 0);
      } else {
        EXPECT_EQ(hints, 1);
        EXPECT_NE(std::find(fake.logLines.begin(), fake.logLines.end(), hint), fake.logLines.end()) << hint;
      }
    }
  }
}

// The line buffer is the first allocation of a run: without it there is no log, and no change.
TEST_F(LogTest, NoMemoryForTheLogChangesNothing) {
  fake.commandLine = "drvsetup.exe no.inf ID";
  fake.failAllocation = 0;
  EXPECT_EQ(RunSetup(), 6);
  EXPECT_TRUE(fake.logLines.empty());
  EXPECT_EQ(fake.boxes.size(), 1u);
}

TEST(LogOff, NothingWrittenAndSameOutcome) {
  ResetFakePlatform();
  fake.commandLine = "drvsetup.exe x.inf ID /s";
  fake.existingFiles = {"x.inf"};
  EXPECT_EQ(RunSetup(), 0);
  EXPECT_TRUE(fake.logLines.empty());
  EXPECT_EQ(fake.events, (std::vector<std::string>{"start", "install", "stop"}));
  ResetFakePlatform();
}

// A line whose end cannot be found would overwrite the log's start: it is not written, the lock
// is let go, and the run goes on as without a log.
TEST_F(LogTest, NoWriteWhereTheEndIsNotFound) {
  fake.commandLine = "drvsetup.exe no.inf ID";
  fake.seekFails = true;
  EXPECT_EQ(RunSetup(), 6);
  EXPECT_TRUE(fake.logLines.empty());
  EXPECT_EQ(fake.logLocks, 0);
  EXPECT_EQ(fake.boxes.size(), 1u);
}

struct NameCase {
  unsigned long code;
  const char* name;
  const char* hintStart;  // null: named without a hint
};

// The values as the platform documents them, against the table built from the headers.
const NameCase kNames[] = {
    {0xE0000235, "ERROR_IN_WOW64", "a 32-bit program"},
    {0xE000020B, "ERROR_NO_SUCH_DEVINST", "no device present"},
    {5, "ERROR_ACCESS_DENIED", "not elevated"},
    {0xE000022F, "ERROR_NO_CATALOG_FOR_OEM_INF", "the driver package is unsigned"},
    {0x800B0100, "TRUST_E_NOSIGNATURE", "the driver package is unsigned"},
    {0xE0000243, "ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED", "the driver package is unsigned"},
    {0xE0000242, "ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED", "the package's signer is not yet"},
    {1459, "ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION", "the update wanted to show a window"},
    {0xE0000101, "ERROR_SECTION_NOT_FOUND", "the INF lacks a section"},
    {0xE0000003, "ERROR_GENERAL_SYNTAX", "the INF lacks a section"},
    {2, "ERROR_FILE_NOT_FOUND", "a file or folder"},
    {3, "ERROR_PATH_NOT_FOUND", "a file or folder"},
    {0xE000020D, "ERROR_INVALID_CLASS_INSTALLER", nullptr},
};

TEST(ErrorNames, KnownCodes) {
  for (const NameCase& c : kNames) {
    const ErrorName* found = FindErrorName(c.code);
    ASSERT_NE(found, nullptr) << c.name;
    EXPECT_STREQ(found->name, c.name);
    if (c.hintStart == nullptr) {
      EXPECT_EQ(found->hint, nullptr) << c.name;
    } else {
      EXPECT_EQ(std::string(found->hint).rfind(c.hintStart, 0), 0u) << c.name;
    }
  }
}

TEST(ErrorNames, UnknownCodes) {
  for (unsigned long code : {0ul, 87ul, 1168ul, 0xE0000999ul, 0xFFFFFFFFul})
    EXPECT_EQ(FindErrorName(code), nullptr) << code;
}

}  // namespace
