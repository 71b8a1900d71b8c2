#pragma once
#include <windows.h>

// From here on, every library the process loads by name, the system's own
// late loads included, is looked for in the system directory alone, never in
// the program's folder, where anyone could have dropped a file of that name.
// Windows 7 without KB2533623 cannot: there nothing changes.
void UseSystemDirectoryForLibraries();

// Loads a library, and the libraries it imports, from the Windows system
// directory only.
HMODULE LoadSystemLibrary(const char* fileName);
