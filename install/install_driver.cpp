#include "install_driver.h"

#include <windows.h>

#include "system_library.h"

typedef BOOL(WINAPI* UpdateDriverForPlugAndPlayDevicesAFn)(HWND owner, LPCSTR hardwareId,
                                                           LPCSTR infPath, DWORD flags,
                                                           PBOOL rebootRequired);

static const DWORD INSTALLFLAG_FORCE = 1;

int InstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired) {
  HMODULE library = LoadSystemLibrary("newdev.dll");
  if (library == nullptr) return 0;
  UpdateDriverForPlugAndPlayDevicesAFn update = reinterpret_cast<UpdateDriverForPlugAndPlayDevicesAFn>(
      reinterpret_cast<void*>(GetProcAddress(library, "UpdateDriverForPlugAndPlayDevicesA")));
  if (update == nullptr) {
    FreeLibrary(library);
    return 0;
  }
  BOOL result = update(nullptr, hardwareId, infPath, INSTALLFLAG_FORCE, rebootRequired);
  FreeLibrary(library);
  return result;
}
