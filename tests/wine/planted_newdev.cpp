// A library dropped beside the program (as newdev.dll, version.dll, setupapi.dll): the
// program must never load it. If it is loaded, it leaves a record at DRVSETUP_PLANTED_MARKER
// naming itself and whether it came with the process's start (a static import of a system
// library, before any of the program's code runs) or later, and claims success.
#include <windows.h>

#include "record.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  char marker[MAX_PATH], name[MAX_PATH] = "";
  if (reason == DLL_PROCESS_ATTACH && ReadEnv("DRVSETUP_PLANTED_MARKER", marker, sizeof marker)) {
    GetModuleFileNameA(self, name, sizeof name);
    // The loader passes a non-null reserved argument to libraries loaded with the process.
    const char* fields[] = {"planted", name, reserved != nullptr ? "at start" : "late"};
    AppendRecord(marker, fields, 3);
  }
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND, LPCSTR,
                                                                              LPCSTR, DWORD,
                                                                              PBOOL) {
  return TRUE;
}
