#pragma once
#include <stddef.h>

struct LogProcess;

// The few platform operations the diagnostic log needs. WinMain fills this
// with the real calls; unit tests fill it with recorders.
struct LogPlatform {
  const char* (*logPath)();           // DRVSETUP_LOG, or null when unset or empty
  void* (*allocFixed)(size_t bytes);  // fixed memory, never freed; null on failure
  void (*appendLog)(const char* path, const char* text, size_t length);  // failures ignored
  void (*describeProcess)(LogProcess* process);
  unsigned long (*lastError)();
  void (*errorText)(unsigned long code, char* text, size_t size);  // "" when the system has none
};

extern LogPlatform logPlatform;
