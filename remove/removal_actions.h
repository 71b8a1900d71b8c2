#pragma once

// What drvremove.exe alone does on the platform: its WinMain fills this by name with the real
// call, unit tests with a recorder.
struct RemovalActions {
  // Takes this very package off its devices and out of the driver store; 1 when no copy of
  // it is left there (removed now, or none was there), 0 when it is still there. rebootRequired
  // is never null: it is set to 1 when Windows must restart to finish.
  int (*removeDriverPackage)(const char* fullInfPath, int* rebootRequired, int unattended);
};

extern RemovalActions removalActions;
