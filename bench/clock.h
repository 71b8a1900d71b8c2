#pragma once
#include <windows.h>

// Milliseconds on the performance counter.
double NowMs();

// A FILETIME span (100 ns units) in milliseconds.
double FileTimeMs(FILETIME time);

// Starts LINE, whose first blank-separated word is the program's path.
bool StartLine(const char* line, PROCESS_INFORMATION* process);
