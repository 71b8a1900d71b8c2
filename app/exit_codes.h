#pragma once

// The process exit codes: the calling installer acts on these numbers.
enum ExitCode {
  EXIT_INSTALLED = 0,         // the driver update reported success
  EXIT_USAGE = 1,             // program name only: usage box shown
  EXIT_SWITCH_ONLY = 2,       // the only argument was "/s": nothing shown
  EXIT_MISSING_ARGUMENT = 3,  // one argument, not "/s": missing-argument box shown
  EXIT_TWO_WITH_SWITCH = 4,   // two arguments, one of them "/s": nothing shown
  EXIT_FAILED = 5,            // update failed, bad fourth token, a token not as typed, or no token
  EXIT_NO_INF = 6,            // the INF file cannot be opened: path error box shown
};

// Each code's meaning as the diagnostic log tells it, in the order above.
static const char* const exitMeanings[] = {
    "installed", "usage shown", "/s alone: nothing done", "missing argument",
    "two arguments with /s: nothing done", "failure (see the road and the update above)",
    "the INF file cannot be opened"};
static_assert(sizeof exitMeanings / sizeof *exitMeanings == EXIT_NO_INF + 1, "one meaning a code");
// A silent install that needs a restart ends beyond 6 only with the installer's chosen code.
static const char* const restartMeaning =
    "installed, restart needed: DRVSETUP_RESTART_EXIT_CODE in place of 0";
// Or, with no device yet, with the code the installer chose for that.
static const char* const stagedMeaning =
    "no device yet, the package is in the driver store: DRVSETUP_NO_DEVICE_EXIT_CODE";
