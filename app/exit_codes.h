#pragma once

// The process exit codes: the calling installer acts on these numbers.
enum ExitCode {
  EXIT_INSTALLED = 0,         // the driver update reported success
  EXIT_USAGE = 1,             // program name only: usage box shown
  EXIT_SWITCH_ONLY = 2,       // the only argument was "/s": nothing shown
  EXIT_MISSING_ARGUMENT = 3,  // one argument, not "/s": missing-argument box shown
  EXIT_TWO_WITH_SWITCH = 4,   // two arguments, one of them "/s": nothing shown
  EXIT_FAILED = 5,            // update failed, bad fourth token, or no token at all
  EXIT_NO_INF = 6,            // the INF file cannot be opened: path error box shown
};
