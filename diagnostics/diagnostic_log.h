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

void LogStart(const char* program);  // opens DRVSETUP_LOG through the platform; "drvsetup"
void LogCommandLine(const char* line, char* const* tokens, int count);
void LogTokenAsTyped(int index, const wchar_t* wide);  // for a token that is not as typed
void LogUnattended();  // the window station has no screen: nothing will be shown
void LogSessionZero(unsigned long console);  // session 0, the console elsewhere: nothing shown
void LogRoad(const char* road);
// Only for an INF token that is not as typed: shortPath null when the file has no
// short name in the ANSI code page.
void LogInfRecovery(const wchar_t* wide, const char* shortPath);
void LogInfCheck(const char* path, int opened);  // reads the platform's last error on failure
void LogBox(const char* box, int unattended);    // before the box is shown, or instead of it
void LogNoFullPath(const char* path);            // reads the platform's last error
void LogLibrary(const char* path, unsigned long loadError);  // path null: not loaded
void LogFunction(int found);
// Before the call: the flags it is given; report, it gets a restart report address.
void LogUpdateCall(const char* hardwareId, const char* infPath, unsigned long flags, int report);
void LogKeptDriver();  // not forced, the update found the device's driver as good or better
void LogUpdateResult(int result, unsigned long lastError, const int* rebootRequired);
// The package added to the driver store for want of a device: published null when that failed.
void LogStaging(const char* infPath, const char* published, unsigned long error);
// The check that the INF offers the hardware ID, before its package is staged: which models
// sections it read (chosen by the system, or here by their decorations), and its verdict.
void LogOfferSections(int systemChose, const char* architecture, unsigned long major, unsigned long minor,
                      unsigned long build);
void LogModelsSection(const char* entry, const char* section, int lines);  // section null: none here
void LogOfferVerdict(const char* hardwareId, const char* section, const char* architecture);  // null: not offered
void LogOfferError(const char* what, unsigned long error);  // error 0: nothing more to name
void LogNoStagingUnderWow64();  // a 32-bit build on 64-bit Windows never stages
// After a successful update, each present device with the ID: its instance ID, which of its
// IDs matched, and its status and problem code as Device Manager has them.
void LogDeviceStatus(const char* instanceId, const char* matchedId, int compatible, int read,
                     unsigned long status, unsigned long problem);
void LogDeviceNote(const char* note);  // why no device status was written
// drvremove.exe: the search for the package's published copy (published null: none, or the
// search failed with error), the removal call (function null: none can be had) and its result.
void LogRemovalSearch(const char* infPath);
void LogRemovalFound(const char* published, unsigned long error);
void LogRemovalCall(const char* function, const char* argument, int report);
void LogRemovalResult(int result, unsigned long lastError, const int* rebootRequired);
void LogRemovalLeft(const char* published);  // the call said TRUE, and the copy is still there
// The query copied the INF (overwrote: over a file that was there; else undone: taken out again).
void LogRemovalCopied(const char* published, int overwrote, int undone);
// An INF of the INF's very text that stays: not named by Windows, or left after the removal.
void LogRemovalCopyLeft(const char* path, int afterRemoval);
void LogRemovalNoRestartReport();  // SetupUninstallOEMInfA said TRUE: it reports no restart
void LogRemovalRestartNotAsked();  // normal mode: a restart the removal needs is only logged
int LogIsOn();
int LogExit(int exitCode, const char* meaning);  // returns exitCode
