#pragma once

// drvremove.exe's exit codes: the same numbers as drvsetup.exe's for the same kinds of outcome.
enum RemovalCode {
  REMOVAL_DONE = 0,     // no copy of the package is left in the driver store
  REMOVAL_USAGE = 1,    // program name only: nothing done, nothing shown
  REMOVAL_FAILED = 5,   // the removal failed, a bad rest of the line, no full path, no token
  REMOVAL_NO_INF = 6,   // the INF cannot be opened
};

// Each code's meaning as the log tells it.
static const char* const removalMeanings[] = {
    "no copy of the package is left in the driver store", "usage: nothing done", "", "", "",
    "failure (see the road and the removal above)", "the INF file cannot be opened"};
static const char* const removalRestartMeaning =
    "removed, restart needed: DRVSETUP_RESTART_EXIT_CODE in place of 0";
