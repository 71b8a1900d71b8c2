#pragma once

// What drvsetup.exe alone does on the platform: its WinMain fills this by name with the real
// calls, unit tests with recorders.
struct SetupActions {
  void (*showMessage)(const char* text, const char* caption, unsigned icon);
  // force 0: the update keeps a driver that Windows ranks as good or better.
  int (*installDriver)(const char* infPath, const char* hardwareId, int* rebootRequired, int unattended,
                       int force);
  unsigned long (*updateError)();  // the last error the driver update left when it failed
  // 1 when the INF offers the hardware ID on this platform (the log says what was read).
  int (*infOffersHardwareId)(const char* fullInfPath, const char* hardwareId);
  int (*runsUnderWow64)();  // 1 for a 32-bit build on 64-bit Windows
  // Adds the package to the driver store for a device plugged in later; 1 when it is there.
  int (*stageDriverPackage)(const char* fullInfPath, int unattended);
};

extern SetupActions setupActions;
