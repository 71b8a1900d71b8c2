#pragma once
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform.h"
#include "removal_actions.h"
#include "setup_actions.h"

// A platform that records what the logic showed and called.
struct FakeBox {
  std::string text;
  bool hasCaption;
  std::string caption;
  unsigned icon;
  size_t logLinesBefore;  // log lines written before the box was shown
};

struct FakeState {
  std::string commandLine;
  std::optional<std::wstring> wideCommandLine;  // unset: the narrow line, each byte widened
  int wideReads = 0;
  bool utf8CodePage = false;  // else the ANSI code page holds exactly U+0000 to U+00FF
  std::deque<std::string> exactCopies;
  std::vector<std::pair<std::wstring, std::string>> shortPaths;  // wide path, its short ANSI path
  std::vector<std::wstring> shortPathQueries;
  std::vector<std::string> existingFiles;
  int driverResult = 1;
  int failAllocation = -1;  // index of the allocation that fails, -1 for none
  int allocations = 0;
  std::vector<void*> blocks;
  std::vector<size_t> blockSizes;
  std::vector<FakeBox> boxes;
  std::vector<std::string> fileChecks;
  std::string fullPathPrefix;  // the full path is this plus the path; empty leaves it as it is
  bool fullPathFails = false;
  std::string fullPath;
  std::vector<std::string> events;  // "start", "install", "stop", "stage" in call order
  std::string installInf, installHardwareId;
  bool installSilent = false;  // the update got a restart report address
  unsigned long installFlags = 0;  // the flags the update was called with
  bool installForced = false, installUnattended = false;  // read off those flags
  std::vector<std::string> devicesDescribed;  // the IDs whose devices the log was asked to describe
  bool windowStationVisible = true;
  // The diagnostic log: on when logPath is not empty; each line written, in order.
  std::string logPath;
  int logOpens = 0;
  std::vector<std::string> logLines;
  bool seekFails = false;  // the end of the log cannot be found
  int logLocks = 0;        // held now
  unsigned long lastError = 0;  // what the platform reports after a failed file check
  // What describeProcess tells of the architectures (native null: not known).
  const char* build = "x64";
  const char* native = "x64";
  const char* archSource = "IsWow64Process2";
  bool libraryLoaded = true, functionFound = true;  // what the driver update finds
  unsigned long updateError = 0;                     // last error the update leaves on FALSE
  int rebootReport = 1;                              // the restart report it leaves
  const wchar_t* restartExitCode = nullptr;  // DRVSETUP_RESTART_EXIT_CODE as given; null: unset
  std::vector<std::wstring> environmentReads;
  const wchar_t* noDeviceExitCode = nullptr;  // DRVSETUP_NO_DEVICE_EXIT_CODE; null: unset
  const wchar_t* onlyIfBetter = nullptr;      // DRVSETUP_ONLY_IF_BETTER; null: unset
  int stageResult = 1;                         // what staging the package gives
  std::string stagedInf;                       // the INF staging was asked to add
  int offered = 1;                             // the INF offers the ID on this platform
  std::vector<std::string> offerChecks;        // the IDs it was asked about
  int removeResult = 1;  // no copy of the package is left in the store
  std::string removeInf;
  bool removeSilent = false;  // the removal got a restart report address
  int sessionsRead = 1;                        // the two session IDs could be read
  unsigned long processSession = 1, consoleSession = 1;
};

extern FakeState fake;

// Installs the recorders into platform and clears every record.
void ResetFakePlatform();
