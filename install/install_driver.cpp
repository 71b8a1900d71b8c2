#include "install_driver.h"

#include <windows.h>

#include "../common/system_library.h"
#include "device_status.h"
#include "update_call.h"

static HMODULE library;
static unsigned long updateError;

unsigned long LastUpdateError() { return updateError; }

typedef BOOL(WINAPI* UpdateDriverForPlugAndPlayDevicesAFn)(HWND owner, LPCSTR hardwareId,
                                                           LPCSTR infPath, DWORD flags,
                                                           PBOOL rebootRequired);
static UpdateDriverForPlugAndPlayDevicesAFn updateDriver;

// The file that was loaded, for the log.
static const char* Load(unsigned long* error) {
  static char path[MAX_PATH + 1];
  library = LoadSystemLibrary("newdev.dll");
  *error = GetLastError();
  if (library == nullptr) return nullptr;
  if (GetModuleFileNameA(library, path, MAX_PATH) == 0) lstrcpyA(path, "newdev.dll");
  return path;
}

static int FindUpdate() {
  updateDriver = reinterpret_cast<UpdateDriverForPlugAndPlayDevicesAFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "UpdateDriverForPlugAndPlayDevicesA")));
  return updateDriver != nullptr;
}

static int Update(const char* hardwareId, const char* infPath, unsigned long flags, int* rebootRequired,
                  unsigned long* lastError) {
  BOOL result = updateDriver(nullptr, hardwareId, infPath, flags, reinterpret_cast<PBOOL>(rebootRequired));
  *lastError = GetLastError();
  return result;
}

static void Release() { FreeLibrary(library); }

int InstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired, int unattended, int force) {
  static const NewdevAccess newdev = {.load = Load,
                                      .findUpdate = FindUpdate,
                                      .update = Update,
                                      .describeDevices = LogDevicesWithId,
                                      .release = Release};
  return CallUpdate(newdev, infPath, hardwareId, rebootRequired, unattended, force, &updateError);
}
