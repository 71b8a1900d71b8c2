#pragma once
#include <stddef.h>

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
};

extern Platform platform;
