#include "install_driver.h"

#include <windows.h>

#include "../common/system_library.h"
#include "../diagnostics/diagnostic_log.h"
#include "device_status.h"

static DWORD updateError;

unsigned long LastUpdateError() { return updateError; }

typedef BOOL(WINAPI* UpdateDriverForPlugAndPlayDevicesAFn)(HWND owner, LPCSTR hardwareId,
                                                           LPCSTR infPath, DWORD flags,
                                                           PBOOL rebootRequired);

static const DWORD INSTALLFLAG_FORCE = 1;
static const DWORD INSTALLFLAG_NONINTERACTIVE = 4;  // fail where the update would show a window

// Tells the log the file that was loaded, or why none was.
static void LogLoad(HMODULE library) {
  DWORD loadError = GetLastError();
  char path[MAX_PATH + 1] = "";
  if (library != nullptr && GetModuleFileNameA(library, path, MAX_PATH) == 0)
    lstrcpyA(path, "newdev.dll");
  LogLibrary(library != nullptr ? path : nullptr, loadError);
}

int InstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired, int unattended, int force) {
  HMODULE library = LoadSystemLibrary("newdev.dll");
  LogLoad(library);
  if (library == nullptr) return 0;
  UpdateDriverForPlugAndPlayDevicesAFn update = reinterpret_cast<UpdateDriverForPlugAndPlayDevicesAFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "UpdateDriverForPlugAndPlayDevicesA")));
  LogFunction(update != nullptr);
  if (update == nullptr) {
    FreeLibrary(library);
    return 0;
  }
  DWORD flags = (force ? INSTALLFLAG_FORCE : 0) | (unattended ? INSTALLFLAG_NONINTERACTIVE : 0);
  LogUpdateCall(hardwareId, infPath, rebootRequired != nullptr, unattended, force);
  BOOL result = update(nullptr, hardwareId, infPath, flags, rebootRequired);
  DWORD lastError = GetLastError();
  updateError = lastError;
  LogUpdateResult(result, lastError, rebootRequired);
  // While the update's own set-up API is still loaded: it is not loaded and set up again.
  if (result) LogDevicesWithId(hardwareId);
  FreeLibrary(library);
  return result;
}
