#pragma once

// The opt-in diagnostic log: when DRVSETUP_LOG names a file, each run appends
// a block of plain-text lines telling what it did and why it failed. Every
// function does nothing while the log is off, and nothing here changes what
// the program does: a log that cannot be written is simply not written, and
// only a file on a disk is written, so that no write waits for a reader.

// What the platform tells about this run, for the block's first lines.
struct LogProcess {
  unsigned year, month, day, hour, minute, second, millisecond;  // local time
  unsigned long processId;
  const char* build;   // this program's architecture: "x86", "x64" or "arm64"
  const char* native;  // Windows' native architecture, named alike; null when not known
  const char* source;  // the function that told native (or failed to)
};

void LogStart();  // opens DRVSETUP_LOG through the platform
void LogCommandLine(const char* line, char* const* tokens, int count);
void LogTokenAsTyped(int index, const wchar_t* wide);  // for a token that is not as typed
void LogUnattended();  // the window station has no screen: nothing will be shown
void LogRoad(const char* road);
// Only for an INF token that is not as typed: shortPath null when the file has no
// short name in the ANSI code page.
void LogInfRecovery(const wchar_t* wide, const char* shortPath);
void LogInfCheck(const char* path, int opened);  // reads the platform's last error on failure
void LogBox(const char* box, int unattended);    // before the box is shown, or instead of it
void LogNoFullPath(const char* path);            // reads the platform's last error
void LogLibrary(const char* path, unsigned long loadError);  // path null: not loaded
void LogFunction(int found);
// Before the call: report, the update gets a restart report address; unattended, it may not
// show a window.
void LogUpdateCall(const char* hardwareId, const char* infPath, int report, int unattended);
void LogUpdateResult(int result, unsigned long lastError, const int* rebootRequired);
// The package added to the driver store for want of a device: published null when that failed.
void LogStaging(const char* infPath, const char* published, unsigned long error);
int LogExit(int exitCode, const char* meaning);  // returns exitCode
