#pragma once

// The exit code of a silent install that succeeded and needs a restart: the
// number in DRVSETUP_RESTART_EXIT_CODE when the installer chose one the program
// does not use itself (7 to 2147483647, decimal digits alone), else 0.
int RestartExitCode();

// The exit code of an install that found no device and put the package in the
// driver store instead: the number in DRVSETUP_NO_DEVICE_EXIT_CODE, taken as the
// restart code is; 0 when there is none, and then nothing is staged.
int NoDeviceExitCode();
