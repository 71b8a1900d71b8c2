// A newdev.dll dropped beside the program: it must never be loaded. If it is,
// it leaves a marker file at DRVSETUP_PLANTED_MARKER and claims success.
#include <windows.h>

#include "record.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  char marker[MAX_PATH];
  if (reason == DLL_PROCESS_ATTACH && ReadEnv("DRVSETUP_PLANTED_MARKER", marker, sizeof marker)) {
    const char* fields[] = {"planted newdev.dll loaded"};
    AppendRecord(marker, fields, 1);
  }
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND, LPCSTR,
                                                                              LPCSTR, DWORD,
                                                                              PBOOL) {
  return TRUE;
}
