#include "dispatch.h"

#include <string.h>

#include "../common/inf_path.h"
#include "../common/platform.h"
#include "../common/restart_exit_code.h"
#include "../common/tokens.h"
#include "../common/unattended.h"
#include "../diagnostics/diagnostic_log.h"
#include "exit_codes.h"
#include "messages.h"
#include "setup_actions.h"
#include "setup_table.h"

static const unsigned long NO_SUCH_DEVINST = 0xE000020BUL;  // the set-up API's ERROR_NO_SUCH_DEVINST
static const unsigned long NO_MORE_ITEMS = 259;  // ERROR_NO_MORE_ITEMS: nothing better to install

static int rebootRequired;
static int unattended;  // no window can be seen: no box, no dialog, no prompt from the update
static int staged;      // the package went to the driver store for want of a device


// Where nobody can see a box, nobody can answer it: the exit code alone tells.
static void ShowBox(const char* box, const char* text, const char* caption, unsigned icon) {
  LogBox(box, unattended);
  if (!unattended) setupActions.showMessage(text, caption, icon);
}

// "Le chemin <path> n'existe pas! " in a buffer sized to the path; returns EXIT_NO_INF.
static int ShowPathError(const char* path) {
  size_t prefix = strlen(PATH_ERROR_PREFIX), length = strlen(path);
  char* text = static_cast<char*>(platform.allocFixed(prefix + length + sizeof PATH_ERROR_SUFFIX));
  if (text == nullptr) return EXIT_NO_INF;  // no memory for the text: the exit code alone tells
  memcpy(text, PATH_ERROR_PREFIX, prefix);
  memcpy(text + prefix, path, length);
  memcpy(text + prefix + length, PATH_ERROR_SUFFIX, sizeof PATH_ERROR_SUFFIX);
  ShowBox("path error", text, nullptr, ICON_ERROR);
  return EXIT_NO_INF;
}

// Tells the log which row of the table was taken, for the rows that end at once.
static int Road(const char* road, int exitCode) {
  LogRoad(road);
  return exitCode;
}

// No device has the ID yet: where the caller chose a code for that, the package
// waits in the driver store, and Windows installs it when the device comes.
// The update says the same for an ID that no INF line offers here (a typo, another
// platform's section): then Windows would never install the package, and nothing is staged.
static int Failed(const char* fullPath, const char* hardwareId) {
  int code = NoDeviceExitCode();
  if (code == 0) return EXIT_FAILED;
  if (setupActions.runsUnderWow64()) {  // its store is not the one the 64-bit system installs from
    LogNoStagingUnderWow64();
    return EXIT_FAILED;
  }
  if (setupActions.updateError() != NO_SUCH_DEVINST) return EXIT_FAILED;
  if (!setupActions.infOffersHardwareId(fullPath, hardwareId)) return EXIT_FAILED;
  staged = setupActions.stageDriverPackage(fullPath, unattended);
  return staged ? code : EXIT_FAILED;
}

// DRVSETUP_ONLY_IF_BETTER set to exactly "1": the update is not forced, and keeps a driver
// that Windows ranks as good or better. Any other value leaves the forced update.
static int OnlyIfBetter() {
  const wchar_t* value = platform.getEnvironmentVariable(L"DRVSETUP_ONLY_IF_BETTER");
  return value != nullptr && value[0] == L'1' && value[1] == L'\0';
}

static int Install(const Tokens& t, const TableRow& row) {
  if (!t.typed[2]) return Road("the hardware ID is not as typed: no update", EXIT_FAILED);
  LogRoad(row.road);
  int silent = row.outcome == GO_SILENT;
  const char* infPath = InfPathAsTyped(t);
  if (infPath == nullptr) return ShowPathError(t.narrow[1]);  // named as the narrow line has it
  int opened = platform.infFileExists(infPath);
  LogInfCheck(infPath, opened);
  if (!opened) return ShowPathError(infPath);
  // The update resolves a bare name against the system's INF folder, not the
  // working directory: it only ever gets the full path of the file just checked.
  const char* fullPath = platform.fullPath(infPath);
  if (fullPath == nullptr) {
    LogNoFullPath(infPath);
    return EXIT_FAILED;
  }
  if (!unattended) platform.startProgress();
  // Unattended, the update reports a restart instead of prompting for it, in either mode.
  int* report = silent || unattended ? &rebootRequired : nullptr;
  int force = !OnlyIfBetter();
  int result = setupActions.installDriver(fullPath, t.narrow[2], report, unattended, force);
  if (!unattended) platform.stopProgress();
  if (result == 0 && !force && setupActions.updateError() == NO_MORE_ITEMS) {
    LogKeptDriver();
    return EXIT_INSTALLED;
  }
  if (result == 0) return Failed(fullPath, t.narrow[2]);
  // Only a report is read: in normal mode the update prompts itself.
  return report != nullptr && rebootRequired ? RestartExitCode() : EXIT_INSTALLED;
}

// The boxes a row of the table may show, by TableBox: the log's name for it and its text.
static const struct {
  const char* name;
  const char* text;
} parametersBoxes[] = {{nullptr, nullptr}, {"usage", USAGE_TEXT}, {"missing-argument", MISSING_ARGUMENT_TEXT}};

static int DispatchTokens(const Tokens& t) {
  const TableRow* row = FindRow(setupTable, setupTableRows, t);
  if (row == nullptr) return Road("no row of the decision table fits: nothing done", EXIT_FAILED);
  if (row->outcome != STOP) return Install(t, *row);
  LogRoad(row->road);
  if (row->box != BOX_NONE)
    ShowBox(parametersBoxes[row->box].name, parametersBoxes[row->box].text, PARAMETERS_CAPTION, ICON_INFORMATION);
  return row->exitCode;
}

static int Finish(int exitCode) {
  if (exitCode >= 0 && exitCode <= EXIT_NO_INF) return LogExit(exitCode, exitMeanings[exitCode]);
  return LogExit(exitCode, staged ? stagedMeaning : restartMeaning);
}

int RunSetup() {
  rebootRequired = 0;
  staged = 0;
  LogStart("drvsetup");
  unattended = RunIsUnattended();
  Tokens t = {};
  if (!ReadTokens(&t, 4))
    return Finish(Road("the line as typed splits into another count of tokens: nothing done",
                       EXIT_FAILED));
  return Finish(DispatchTokens(t));
}
