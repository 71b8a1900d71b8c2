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
  // force 0: the update keeps a driver that Windows ranks as good or better.
  int (*installDriver)(const char* infPath, const char* hardwareId, int* rebootRequired, int unattended,
                       int force);
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
  unsigned long (*updateError)();  // the last error the driver update left when it failed
  // 1 when the INF offers the hardware ID on this platform (the log says what was read).
  int (*infOffersHardwareId)(const char* fullInfPath, const char* hardwareId);
  int (*runsUnderWow64)();  // 1 for a 32-bit build on 64-bit Windows
  // Adds the package to the driver store for a device plugged in later; 1 when it is there.
  int (*stageDriverPackage)(const char* fullInfPath, int unattended);
  // Takes this very package off its devices and out of the driver store; 1 when no copy of
  // it is left there (removed now, or none was there), 0 when it is still there. rebootRequired
  // is never null: it is set to 1 when Windows must restart to finish.
  int (*removeDriverPackage)(const char* fullInfPath, int* rebootRequired, int unattended);
};

extern Platform platform;
