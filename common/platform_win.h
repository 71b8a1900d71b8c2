#pragma once
#include <stddef.h>

#include "platform.h"

// The Windows calls behind the platform seam that both programs fill the same way.
const char* ReadCommandLine();
void* AllocFixed(size_t bytes);
const char* FullPath(const char* path);
const wchar_t* ReadWideCommandLine();
const char* ExactAnsi(const wchar_t* text);
const char* ShortAnsiPath(const wchar_t* path);
const wchar_t* ReadEnvironmentVariable(const wchar_t* name);
int WindowStationVisible();
int SessionIds(unsigned long* process, unsigned long* console);

// The seam filled with the calls above; the progress dialog is each program's own.
Platform WindowsPlatform(void (*startProgress)(), void (*stopProgress)());
