#include "system_library.h"

HMODULE LoadSystemLibrary(const char* fileName) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + lstrlenA(fileName) >= MAX_PATH) return nullptr;
  path[length] = '\\';
  lstrcpyA(path + length + 1, fileName);
  return LoadLibraryA(path);
}
