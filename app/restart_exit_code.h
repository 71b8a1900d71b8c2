#pragma once

// The exit code of a silent install that succeeded and needs a restart: the
// number in DRVSETUP_RESTART_EXIT_CODE when the installer chose one the program
// does not use itself (7 to 2147483647, decimal digits alone), else 0.
int RestartExitCode();
