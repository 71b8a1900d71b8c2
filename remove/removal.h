#pragma once

// drvremove.exe's decision table: reads the raw command line through the
// platform, removes the INF's driver package and returns the process exit code.
int RunRemoval();
