#include "stage_package.h"

#include <windows.h>

#include "../diagnostics/diagnostic_log.h"
#include "../common/system_library.h"

typedef BOOL(WINAPI* SetupCopyOEMInfAFn)(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType,
                                         DWORD copyStyle, LPSTR destination, DWORD destinationSize,
                                         PDWORD requiredSize, LPSTR* destinationComponent);
typedef BOOL(WINAPI* SetupSetNonInteractiveModeFn)(BOOL nonInteractive);

static const DWORD SPOST_PATH = 1;  // the INF's other files lie beside it

static void* Find(HMODULE library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(library, name));
}

int StageDriverPackage(const char* fullInfPath, int unattended) {
  HMODULE library = LoadSystemLibrary("setupapi.dll");
  SetupCopyOEMInfAFn copy =
      library != nullptr ? reinterpret_cast<SetupCopyOEMInfAFn>(Find(library, "SetupCopyOEMInfA")) : nullptr;
  if (copy == nullptr) {
    LogStaging(fullInfPath, nullptr, GetLastError());
    if (library != nullptr) FreeLibrary(library);
    return 0;
  }
  SetupSetNonInteractiveModeFn quiet =
      reinterpret_cast<SetupSetNonInteractiveModeFn>(Find(library, "SetupSetNonInteractiveMode"));
  if (unattended && quiet != nullptr) quiet(TRUE);
  char published[MAX_PATH] = "";
  BOOL done = copy(fullInfPath, nullptr, SPOST_PATH, 0, published, MAX_PATH, nullptr, nullptr);
  DWORD error = GetLastError();
  FreeLibrary(library);
  LogStaging(fullInfPath, done ? published : nullptr, error);
  return done != 0;
}
