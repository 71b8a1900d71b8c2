#include "system_library.h"

void UseSystemDirectoryForLibraries() {
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD flags);
  SetDefaultDllDirectoriesFn restrict = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
  if (restrict != nullptr) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const char* fileName) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(fileName) >= MAX_PATH) return nullptr;
  path[length] = '\\';
  lstrcpyA(path + length + 1, fileName);
  // The flag also keeps the library's own imports out of the program's folder.
  HMODULE library = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Refused where the system does not know the flag (Windows 7 without KB2533623).
  if (library == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) library = LoadLibraryA(path);
  return library;
}
