#pragma once

#include <windows.h>

// What one run of a program showed and returned.
struct RunResult {
  DWORD exitCode;  // STILL_ACTIVE when it outlived its time and was ended
  bool started;
  int boxes;       // message boxes seen (each closed with OK)
  int dialogs;     // progress dialogs seen
  char boxText[1024], boxCaption[256];
  const char* boxIcon;  // "information", "error", "other" or "none"
};

// Makes the desktop of a window station of its own (no screen, as a service's); false if none.
bool MakeHiddenDesktop();

// Starts APP with the exact wide LINE in DIRECTORY (null: ours), on the hidden desktop or ours,
// waits up to timeoutMs and fills RESULT.
void RunProgram(const wchar_t* app, wchar_t* line, const wchar_t* directory, bool hidden,
                DWORD timeoutMs, RunResult* result);
