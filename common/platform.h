#pragma once
#include <stddef.h>

// The platform operations both programs' logic needs. Each WinMain fills it by name with
// the real calls; unit tests fill it with recorders. Each program's own actions are in its
// room: app/setup_actions.h, remove/removal_actions.h.
struct Platform {
  const char* (*getCommandLine)();
  void* (*allocFixed)(size_t bytes);  // fixed memory, never freed; null on failure
  int (*infFileExists)(const char* path);
  const char* (*fullPath)(const char* path);  // resolved as a file open would; null on failure
  void (*startProgress)();
  void (*stopProgress)();
  // The command line as typed, read on every run; null when it cannot be had.
  const wchar_t* (*getWideCommandLine)();
  // The text in the ANSI code page with no best fit, in fixed memory; null when a
  // character has no exact form there, or memory runs out.
  const char* (*exactAnsi)(const wchar_t* text);
  // The file's short path in the ANSI code page, in fixed memory; null when it has none
  // or the code page cannot hold it whole.
  const char* (*shortAnsiPath)(const wchar_t* path);
  // The variable's value in fixed memory; null when it is unset or empty.
  const wchar_t* (*getEnvironmentVariable)(const wchar_t* name);
  // 0 when the process's window station has no screen (a service, SYSTEM's session), so that
  // nobody could see or answer a window; 1 when it has one, or its flags cannot be read.
  int (*windowStationVisible)();
  // The process's session and the console's: 1 when both could be read.
  int (*sessionIds)(unsigned long* process, unsigned long* console);
};

extern Platform platform;
