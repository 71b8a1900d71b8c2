#include "removal.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "diagnostic_log.h"
#include "fake_platform.h"
#include "package_store.h"
#include "removal_table.h"
#include "table_sample.h"

namespace {

const std::string kRestartNotAsked =
    "removal: Windows must restart to finish the removal; in normal mode this program asks for none and "
    "shows no prompt (exit code 0): restart Windows later\r\n";

// One row per command line of drvremove.exe: its exit code, and the removal it asks for.
struct RemovalCase {
  std::string line;
  int exitCode;
  const char* removeInf = nullptr;  // null: nothing removed, no dialog
  bool silent = false;
  int removeResult = 1, rebootReport = 0;
  const wchar_t* restart = nullptr;
  bool unattended = false;
  bool restartLogged = false;  // the log says a restart is needed and none is asked for
  std::string road;            // the log's road, where checked
};

const RemovalCase kCases[] = {
    {.line = "drvremove.exe  \t ", .exitCode = 1},
    {.line = " \t ", .exitCode = 5},
    {.line = "drvremove.exe \"x.inf\" /s", .exitCode = 0, .removeInf = "C:\\work\\x.inf", .silent = true},
    {.line = "drvremove.exe x.inf /s now", .exitCode = 5},
    {.line = "drvremove.exe x.inf /s ", .exitCode = 5},
    {.line = "drvremove.exe x.inf ID", .exitCode = 5},  // a hardware ID is drvsetup.exe's, not this one's
    {.line = "drvremove.exe no.inf", .exitCode = 6},
    {.line = "drvremove.exe no.inf /s", .exitCode = 6},
    {.line = "drvremove.exe /s", .exitCode = 6},  // the switch alone names the INF "/s"
    {.line = "drvremove.exe x.inf", .exitCode = 5, .removeInf = "C:\\work\\x.inf", .removeResult = 0},
    {.line = "drvremove.exe x.inf /s", .exitCode = 3010, .removeInf = "C:\\work\\x.inf", .silent = true, .rebootReport = 1,
     .restart = L"3010"},
    {.line = "drvremove.exe x.inf /s", .exitCode = 0, .removeInf = "C:\\work\\x.inf", .silent = true, .rebootReport = 1},
    {.line = "drvremove.exe x.inf /s", .exitCode = 0, .removeInf = "C:\\work\\x.inf", .silent = true, .restart = L"3010"},
    // Normal mode: a restart is never asked for.
    {.line = "drvremove.exe x.inf", .exitCode = 0, .removeInf = "C:\\work\\x.inf", .rebootReport = 1, .restart = L"3010",
     .restartLogged = true},
    {.line = "drvremove.exe x.inf", .exitCode = 0, .removeInf = "C:\\work\\x.inf", .rebootReport = 1, .restartLogged = true},
    {.line = "drvremove.exe x.inf", .exitCode = 5, .removeInf = "C:\\work\\x.inf", .removeResult = 0, .rebootReport = 1,
     .restart = L"3010"},
    {.line = "drvremove.exe x.inf", .exitCode = 3010, .removeInf = "C:\\work\\x.inf", .silent = true, .rebootReport = 1,
     .restart = L"3010", .unattended = true},
    {.line = "drvremove.exe", .exitCode = 1, .unattended = true},
};

// Each row of the program's decision table, by its sample line: x.inf exists and is removed.
std::vector<RemovalCase> TableCases() {
  std::vector<RemovalCase> cases;
  for (const TableRow& row : removalTable)
    cases.push_back({.line = Sample(row, "x.inf", ""),
                     .exitCode = row.exitCode,
                     .removeInf = row.outcome == STOP ? nullptr : "C:\\work\\x.inf",
                     .silent = row.outcome == GO_SILENT,
                     .road = row.road});
  return cases;
}

TEST(Removal, DecisionTable) {
  std::vector<RemovalCase> cases = TableCases();
  cases.insert(cases.end(), std::begin(kCases), std::end(kCases));
  for (const RemovalCase& c : cases) {
    ResetFakePlatform();
    SCOPED_TRACE(c.line);
    fake.commandLine = c.line;
    fake.existingFiles = {"x.inf"};
    fake.fullPathPrefix = "C:\\work\\";
    fake.removeResult = c.removeResult;
    fake.rebootReport = c.rebootReport;
    fake.restartExitCode = c.restart;
    fake.windowStationVisible = !c.unattended;
    fake.logPath = "C:\\log.txt";
    EXPECT_EQ(RunRemoval(), c.exitCode);
    EXPECT_TRUE(fake.boxes.empty());
    std::vector<std::string> events = {"start", "remove", "stop"};
    if (c.unattended) events = {"remove"};
    fake.events.erase(std::remove(fake.events.begin(), fake.events.end(), "log"), fake.events.end());
    EXPECT_EQ(fake.events, c.removeInf ? events : std::vector<std::string>{});
    EXPECT_EQ(fake.removeInf, c.removeInf ? c.removeInf : "");
    EXPECT_EQ(fake.removeSilent, c.removeInf != nullptr);  // an address in every mode: Windows never prompts
    EXPECT_EQ(std::count(fake.logLines.begin(), fake.logLines.end(), kRestartNotAsked), c.restartLogged ? 1 : 0);
    if (!c.road.empty()) {
      EXPECT_EQ(std::count(fake.logLines.begin(), fake.logLines.end(), "road: " + c.road + "\r\n"), 1);
    }
  }
  ResetFakePlatform();
}

// The driver store as a fake: the INF folder's listings before and after the removal, and
// Windows' answers.
struct FakeStore {
  std::vector<std::string> listed, sameBytes, sameBytesAfter;
  unsigned long listError = 0, relistError = 0;
  StoreAnswer answer = STORE_ABSENT;
  std::string published;
  unsigned long askError = 0;
  int undone = 1, uninstalled = 1, stays = 0, reboot = 0;
  int lists = 0;
  std::vector<std::string> calls;
} store;

unsigned long StoreList(const char*) {
  store.calls.push_back("list");
  return store.lists++ == 0 ? store.listError : store.relistError;
}

const char* StoreSameBytes(int index) {
  const std::vector<std::string>& copies = store.lists < 2 ? store.sameBytes : store.sameBytesAfter;
  return index < static_cast<int>(copies.size()) ? copies[index].c_str() : nullptr;
}

int StoreListed(const char* path) {
  return std::find(store.listed.begin(), store.listed.end(), path) != store.listed.end();
}

StoreAnswer StoreAsk(const char*, char* published, unsigned long* error) {
  store.calls.push_back("ask");
  strcpy(published, store.published.c_str());
  *error = store.askError;
  return store.answer;
}

int StoreUndo(const char* published) {
  store.calls.push_back(std::string("undo ") + published);
  return store.undone;
}

int StoreUninstall(const char* published, int* rebootRequired) {
  store.calls.push_back(std::string("uninstall ") + published);
  *rebootRequired = store.reboot;
  return store.uninstalled;
}

int StoreExists(const char*) { return store.stays; }

// One row per way the INF folder and Windows' answer agree or not: exit 0 only when Windows
// names no copy and none of the same text is left.
TEST(Removal, StoreVerdict) {
  const std::string oem = "C:\\Windows\\INF\\oem7.inf", other = "C:\\Windows\\INF\\oem9.inf";
  const std::string own = "C:\\Windows\\INF\\x.inf";
  struct {
    const char* name;
    FakeStore store;
    int result;
    std::vector<std::string> calls;
    std::vector<std::string> lines;  // each the start of a log line, in this order
  } cases[] = {
      {"neither", {}, 1, {"list", "ask"}, {"removal: no copy of this package is in the driver store"}},
      {"both name the copy", {.listed = {oem}, .sameBytes = {oem}, .answer = STORE_PUBLISHED, .published = oem}, 1,
       {"list", "ask", "uninstall " + oem, "list"}, {"removal: published as [" + oem + "]"}},
      {"the same text, not named by Windows", {.listed = {oem}, .sameBytes = {oem}, .askError = 2}, 0, {"list", "ask"},
       {"removal: [" + oem + "] holds this INF's very text, yet SetupCopyOEMInfA does not name it"}},
      {"Windows names another copy", {.listed = {oem, other}, .sameBytes = {oem}, .sameBytesAfter = {oem}, .answer = STORE_PUBLISHED, .published = other}, 0,
       {"list", "ask", "uninstall " + other, "list"},
       {"removal: published as [" + other + "]",
        "removal: [" + oem + "] holds this INF's very text and is still in the INF folder after the removal"}},
      {"Windows names a copy of other text", {.listed = {other}, .answer = STORE_PUBLISHED, .published = other}, 1,
       {"list", "ask", "uninstall " + other, "list"}, {"removal: published as [" + other + "]"}},
      {"the query copied, undone", {.answer = STORE_COPIED, .published = own}, 1, {"list", "ask", "undo " + own},
       {"removal: SetupCopyOEMInfA copied the INF as [" + own + "] in spite of SP_COPY_REPLACEONLY (Wine's road): "
        "that new copy was taken out again",
        "removal: no copy of this package is in the driver store"}},
      {"the query copied, not undone", {.answer = STORE_COPIED, .published = own, .undone = 0}, 0,
       {"list", "ask", "undo " + own}, {"removal: SetupCopyOEMInfA copied the INF as [" + own + "] in spite of "
                                        "SP_COPY_REPLACEONLY (Wine's road): that new copy could not be taken out"}},
      {"the query copied, undone, the same text elsewhere", {.listed = {oem}, .sameBytes = {oem}, .answer = STORE_COPIED, .published = own}, 0,
       {"list", "ask", "undo " + own}, {"removal: SetupCopyOEMInfA copied", "removal: [" + oem + "] holds this INF's"}},
      {"the query copied over a file that was there", {.listed = {oem}, .sameBytes = {oem}, .answer = STORE_COPIED, .published = oem}, 0, {"list", "ask"},
       {"removal: SetupCopyOEMInfA copied the INF as [" + oem + "] over a file that was there"}},
      {"the query failed", {.listed = {oem}, .sameBytes = {oem}, .answer = STORE_FAILED, .askError = 5}, 0, {"list", "ask"},
       {"removal: the driver store cannot be searched: 0x00000005"}},
      {"the INF folder cannot be read", {.listError = 5}, 0, {"list"},
       {"removal: the driver store cannot be searched: 0x00000005"}},
      {"the removal fails", {.listed = {oem}, .sameBytes = {oem}, .answer = STORE_PUBLISHED, .published = oem, .uninstalled = 0}, 0,
       {"list", "ask", "uninstall " + oem}, {"removal: published as"}},
      {"the removal says TRUE, the copy stays", {.listed = {oem}, .sameBytes = {oem}, .answer = STORE_PUBLISHED, .published = oem, .stays = 1}, 0,
       {"list", "ask", "uninstall " + oem}, {"removal: yet [" + oem + "] is still in the driver store"}},
      {"the INF folder cannot be read after", {.listed = {oem}, .sameBytes = {oem}, .relistError = 5, .answer = STORE_PUBLISHED, .published = oem}, 0,
       {"list", "ask", "uninstall " + oem, "list"}, {"removal: the driver store cannot be searched"}},
      {"removed, restart needed", {.listed = {oem}, .sameBytes = {oem}, .answer = STORE_PUBLISHED, .published = oem, .reboot = 1}, 1,
       {"list", "ask", "uninstall " + oem, "list"}, {}},
  };
  const StoreAccess access = {StoreList, StoreSameBytes, StoreListed, StoreAsk, StoreUndo, StoreUninstall, StoreExists};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetFakePlatform();
    fake.logPath = "C:\\log.txt";
    LogStart("drvremove");
    store = c.store;
    int reboot = -1;
    EXPECT_EQ(RemoveFromStore(access, "C:\\work\\x.inf", &reboot), c.result);
    EXPECT_EQ(reboot, c.store.reboot);
    EXPECT_EQ(store.calls, c.calls);
    size_t at = 0;
    for (const std::string& want : c.lines) {
      while (at < fake.logLines.size() && fake.logLines[at].rfind(want, 0) != 0) ++at;
      EXPECT_LT(at, fake.logLines.size()) << want;
      ++at;
    }
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
