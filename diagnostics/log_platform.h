#pragma once
#include <stddef.h>

struct LogProcess;

// The few platform operations the diagnostic log needs. WinMain fills this
// with the real calls; unit tests fill it with recorders.
struct LogPlatform {
  // DRVSETUP_LOG opened for appending, once a run; null when it is unset or empty, is
  // not a file on a disk, or cannot be opened.
  void* (*openLog)();
  void* (*allocFixed)(size_t bytes);  // fixed memory, never freed; null on failure
  // One line goes to the end under the lock that runs sharing the log take turns on:
  int (*lockLog)(void* log);  // 1 when locked; 0 when the run has waited long enough, or cannot
  int (*seekLogEnd)(void* log);  // 1 when at the end
  void (*writeLog)(void* log, const char* text, size_t length);  // failures ignored
  void (*unlockLog)(void* log);
  void (*describeProcess)(LogProcess* process);
  unsigned long (*lastError)();
  void (*errorText)(unsigned long code, char* text, size_t size);  // "" when the system has none
  // Writes text as UTF-8 and a NUL into out; returns the bytes before the NUL, 0 when it does not fit.
  size_t (*wideToUtf8)(const wchar_t* text, char* out, size_t size);
};

extern LogPlatform logPlatform;
