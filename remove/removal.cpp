#include "removal.h"

#include "../common/inf_path.h"
#include "../common/platform.h"
#include "../common/restart_exit_code.h"
#include "../common/tokens.h"
#include "../common/unattended.h"
#include "../diagnostics/diagnostic_log.h"
#include "removal_actions.h"
#include "removal_codes.h"
#include "removal_table.h"

static int rebootRequired;
static int unattended;

static int Road(const char* road, int exitCode) {
  LogRoad(road);
  return exitCode;
}

static int Remove(const Tokens& t, const TableRow& row) {
  LogRoad(row.road);
  int silent = row.outcome == GO_SILENT;
  const char* infPath = InfPathAsTyped(t);
  if (infPath == nullptr) return REMOVAL_NO_INF;
  int opened = platform.infFileExists(infPath);
  LogInfCheck(infPath, opened);
  if (!opened) return REMOVAL_NO_INF;  // never a box: an uninstaller runs it, often unattended
  const char* fullPath = platform.fullPath(infPath);
  if (fullPath == nullptr) {
    LogNoFullPath(infPath);
    return REMOVAL_FAILED;
  }
  if (!unattended) platform.startProgress();
  // Always an address: without one Windows would offer to restart while this program runs.
  int removed = removalActions.removeDriverPackage(fullPath, &rebootRequired, unattended);
  if (!unattended) platform.stopProgress();
  if (!removed) return REMOVAL_FAILED;
  if (!rebootRequired) return REMOVAL_DONE;
  if (silent || unattended) return RestartExitCode();
  LogRemovalRestartNotAsked();
  return REMOVAL_DONE;
}

static int DispatchTokens(const Tokens& t) {
  const TableRow* row = FindRow(removalTable, removalTableRows, t);
  if (row == nullptr) return Road("no row of the decision table fits: nothing done", REMOVAL_FAILED);
  if (row->outcome != STOP) return Remove(t, *row);
  return Road(row->road, row->exitCode);
}

static int Finish(int exitCode) {
  const char* meaning = exitCode >= 0 && exitCode <= REMOVAL_NO_INF ? removalMeanings[exitCode] : removalRestartMeaning;
  return LogExit(exitCode, meaning);
}

int RunRemoval() {
  rebootRequired = 0;
  LogStart("drvremove");
  unattended = RunIsUnattended();
  Tokens t = {};
  if (!ReadTokens(&t, 3))
    return Finish(Road("the line as typed splits into another count of tokens: nothing done", REMOVAL_FAILED));
  return Finish(DispatchTokens(t));
}
