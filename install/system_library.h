#pragma once
#include <windows.h>

// Loads a library from the Windows system directory only, never from the
// program's own folder, where anyone could have dropped a file of that name.
HMODULE LoadSystemLibrary(const char* fileName);
