#pragma once
#include <stddef.h>

struct LogProcess;

// The few platform operations the command-line logic needs. WinMain fills
// this with the real calls; unit tests fill it with recorders.
struct Platform {
  const char* (*getCommandLine)();
  void* (*allocFixed)(size_t bytes);  // fixed memory, never freed; null on failure
  void (*showMessage)(const char* text, const char* caption, unsigned icon);
  int (*infFileExists)(const char* path);
  const char* (*fullPath)(const char* path);  // resolved as a file open would; null on failure
  int (*installDriver)(const char* infPath, const char* hardwareId, int* rebootRequired);
  void (*startProgress)();
  void (*stopProgress)();
  // The diagnostic log's view of the system (diagnostic_log.h).
  const char* (*logPath)();  // DRVSETUP_LOG, or null when unset or empty
  void (*appendLog)(const char* path, const char* text, size_t length);  // failures ignored
  void (*describeProcess)(LogProcess* process);
  unsigned long (*lastError)();
  void (*errorText)(unsigned long code, char* text, size_t size);  // "" when the system has none
};

extern Platform platform;
