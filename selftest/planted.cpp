// A library planted beside a copy of the program (as version.dll, setupapi.dll, newdev.dll):
// the program must never load it. Loaded, it leaves <its own path>.loaded beside itself.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char marker[MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(self, marker, MAX_PATH);
  lstrcpyA(marker + length, ".loaded");
  HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}
