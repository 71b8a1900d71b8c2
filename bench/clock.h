#pragma once
#include <windows.h>

// Milliseconds on the performance counter.
double NowMs();

// A FILETIME (100 ns units) in milliseconds.
double FileTimeMs(FILETIME time);

// Starts LINE, whose first blank-separated word is the program's path,
// with CreateProcess flags FLAGS.
bool StartLine(const char* line, DWORD flags, PROCESS_INFORMATION* process);
