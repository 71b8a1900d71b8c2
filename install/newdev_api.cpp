#include "newdev_api.h"

#include "../common/system_library.h"

NewdevApi newdevApi;
static HMODULE library;
static char path[MAX_PATH + 1];

template <typename Function>
static void Bind(Function* member, const char* name) {
  *member = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const char* OpenNewdevApi() {
  library = LoadSystemLibrary("newdev.dll");
  if (library == nullptr) return nullptr;
  if (GetModuleFileNameA(library, path, MAX_PATH) == 0) lstrcpyA(path, "newdev.dll");
  Bind(&newdevApi.updateDriver, "UpdateDriverForPlugAndPlayDevicesA");
  Bind(&newdevApi.uninstallDriver, "DiUninstallDriverA");
  return path;
}

void CloseNewdevApi() {
  if (library == nullptr) return;
  FreeLibrary(library);
  library = nullptr;
  newdevApi = NewdevApi{};
}
