#include "system_library.h"

#include <string.h>

HMODULE LoadSystemLibrary(const char* fileName) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, MAX_PATH);
  size_t nameLength = strlen(fileName);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
  path[length] = '\\';
  memcpy(path + length + 1, fileName, nameLength + 1);
  return LoadLibraryA(path);
}
