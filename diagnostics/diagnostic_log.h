#pragma once

// The opt-in diagnostic log: when DRVSETUP_LOG names a file, each run appends
// a block of plain-text lines telling what it did and why it failed. Every
// function does nothing while the log is off, and nothing here changes what
// the program does: a log that cannot be written is simply not written.

// What the platform tells about this run, for the block's first lines.
struct LogProcess {
  unsigned year, month, day, hour, minute, second, millisecond;  // local time
  unsigned long processId;
  int wow64;  // 1: a 32-bit process on 64-bit Windows; 0: not; -1: unknown
};

void LogStart();  // reads DRVSETUP_LOG through the platform
void LogCommandLine(const char* line, char* const* tokens, int count);
void LogRoad(const char* road);
void LogInfCheck(const char* path, int opened);  // reads the platform's last error on failure
void LogBox(const char* box);                    // before the box is shown
void LogLibrary(const char* path, unsigned long loadError);  // path null: not loaded
void LogFunction(int found);
void LogUpdateCall(const char* hardwareId, const char* infPath, int silent);  // before the call
void LogUpdateResult(int result, unsigned long lastError, const int* rebootRequired);
int LogExit(int exitCode);  // returns exitCode
