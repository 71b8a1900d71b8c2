#pragma once

// The few operations of newdev.dll that the driver update needs: InstallDriver fills them with
// the real calls, unit tests with recorders.
struct NewdevAccess {
  const char* (*load)(unsigned long* error);  // the loaded library's path; null, with why, if none
  int (*findUpdate)();                        // 1 when UpdateDriverForPlugAndPlayDevicesA is there
  // The call itself, with no owner window; lastError is read right after it.
  int (*update)(const char* hardwareId, const char* infPath, unsigned long flags, int* rebootRequired,
                unsigned long* lastError);
  void (*describeDevices)(const char* hardwareId);  // after a success, for the log
  void (*release)();                                // the library, once loaded
};

// Calls the update forced (INSTALLFLAG_FORCE) unless force is 0, and told to fail rather than
// show a window where nobody can see one; the log tells each step with the values passed.
// Returns its verdict (nonzero for success), or 0 when it cannot be reached; updateError
// gets the last error it left.
int CallUpdate(const NewdevAccess& newdev, const char* infPath, const char* hardwareId, int* rebootRequired,
               int unattended, int force, unsigned long* updateError);
