#include "removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"

namespace {

// One row per command line of drvremove.exe: its exit code, and the removal it asks for.
TEST(Removal, DecisionTable) {
  struct {
    const char* line;
    int exitCode;
    const char* removeInf;  // null: nothing removed, no dialog
    bool silent = false;
    int removeResult = 1, rebootReport = 0;
    const wchar_t* restart = nullptr;
    bool unattended = false;
  } cases[] = {
      {"drvremove.exe", 1, nullptr},
      {"drvremove.exe  \t ", 1, nullptr},
      {" \t ", 5, nullptr},
      {"drvremove.exe x.inf", 0, "C:\\work\\x.inf"},
      {"drvremove.exe \"x.inf\" /s", 0, "C:\\work\\x.inf", true},
      {"drvremove.exe x.inf /S", 5, nullptr},
      {"drvremove.exe x.inf /s now", 5, nullptr},
      {"drvremove.exe x.inf /s ", 5, nullptr},
      {"drvremove.exe x.inf ID", 5, nullptr},  // a hardware ID is drvsetup.exe's, not this one's
      {"drvremove.exe no.inf", 6, nullptr},
      {"drvremove.exe no.inf /s", 6, nullptr},
      {"drvremove.exe /s", 6, nullptr},  // the switch alone names the INF "/s"
      {"drvremove.exe x.inf", 5, "C:\\work\\x.inf", false, 0},
      {"drvremove.exe x.inf /s", 3010, "C:\\work\\x.inf", true, 1, 1, L"3010"},
      {"drvremove.exe x.inf /s", 0, "C:\\work\\x.inf", true, 1, 1, nullptr},
      {"drvremove.exe x.inf /s", 0, "C:\\work\\x.inf", true, 1, 0, L"3010"},
      {"drvremove.exe x.inf", 0, "C:\\work\\x.inf", false, 1, 1, L"3010"},  // normal: Windows prompts
      {"drvremove.exe x.inf", 3010, "C:\\work\\x.inf", true, 1, 1, L"3010", true},
      {"drvremove.exe", 1, nullptr, false, 1, 0, nullptr, true},
  };
  for (const auto& c : cases) {
    ResetFakePlatform();
    SCOPED_TRACE(c.line);
    fake.commandLine = c.line;
    fake.existingFiles = {"x.inf"};
    fake.fullPathPrefix = "C:\\work\\";
    fake.removeResult = c.removeResult;
    fake.rebootReport = c.rebootReport;
    fake.restartExitCode = c.restart;
    fake.windowStationVisible = !c.unattended;
    EXPECT_EQ(RunRemoval(), c.exitCode);
    EXPECT_TRUE(fake.boxes.empty());
    std::vector<std::string> events = {"start", "remove", "stop"};
    if (c.unattended) events = {"remove"};
    EXPECT_EQ(fake.events, c.removeInf ? events : std::vector<std::string>{});
    EXPECT_EQ(fake.removeInf, c.removeInf ? c.removeInf : "");
    EXPECT_EQ(fake.removeSilent, c.removeInf != nullptr && c.silent);
  }
  ResetFakePlatform();
}

TEST(Removal, LogNamesTheProgram) {
  ResetFakePlatform();
  fake.logPath = "C:\\log.txt";
  fake.commandLine = "drvremove.exe x.inf /s extra";
  EXPECT_EQ(RunRemoval(), 5);
  ASSERT_GE(fake.logLines.size(), 3u);
  EXPECT_EQ(fake.logLines[0].rfind("---- drvremove run 2024-03-09", 0), 0u);
  EXPECT_EQ(fake.logLines.end()[-2], "road: the rest of the line after the INF path is not exactly /s\r\n");
  EXPECT_EQ(fake.logLines.back(), "exit code 5: failure (see the road and the removal above)\r\n");
  ResetFakePlatform();
}

}  // namespace
