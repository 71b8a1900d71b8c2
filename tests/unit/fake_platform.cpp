#include "fake_platform.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "diagnostic_log.h"
#include "log_platform.h"
#include "update_call.h"

FakeState fake;

static const char* FakeCommandLine() { return fake.commandLine.c_str(); }

static void* FakeAlloc(size_t bytes) {
  if (fake.allocations++ == fake.failAllocation) return nullptr;
  void* block = malloc(bytes);
  fake.blocks.push_back(block);
  fake.blockSizes.push_back(bytes);
  return block;
}

static void FakeShowMessage(const char* text, const char* caption, unsigned icon) {
  fake.boxes.push_back({text, caption != nullptr, caption ? caption : "", icon, fake.logLines.size()});
}

static int FakeInfFileExists(const char* path) {
  fake.fileChecks.push_back(path);
  for (const std::string& existing : fake.existingFiles)
    if (existing == path) return 1;
  return 0;
}

static const char* FakeFullPath(const char* path) {
  if (fake.fullPathFails) return nullptr;
  fake.fullPath = fake.fullPathPrefix + path;
  return fake.fullPath.c_str();
}

static const char* FakeLoadNewdev(unsigned long* error) {
  *error = 126;  // ERROR_MOD_NOT_FOUND
  return fake.libraryLoaded ? "C:\\Windows\\system32\\newdev.dll" : nullptr;
}

static int FakeFindUpdate() { return fake.functionFound; }

static int FakeUpdate(const char* hardwareId, const char* infPath, unsigned long flags, int* rebootRequired,
                      unsigned long* lastError) {
  fake.events.push_back("install");
  fake.installFlags = flags;
  fake.installForced = (flags & 1) != 0;       // INSTALLFLAG_FORCE
  fake.installUnattended = (flags & 4) != 0;   // INSTALLFLAG_NONINTERACTIVE
  fake.installInf = infPath;
  fake.installHardwareId = hardwareId;
  fake.installSilent = rebootRequired != nullptr;
  if (rebootRequired != nullptr) *rebootRequired = fake.rebootReport;  // the logic must not care
  *lastError = fake.updateError;
  return fake.driverResult;
}

static void FakeDescribeDevices(const char* hardwareId) { fake.devicesDescribed.push_back(hardwareId); }
static void FakeReleaseNewdev() {}

// The product's own update call, over a newdev.dll that answers what the row says.
static int FakeInstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired,
                             int unattended, int force) {
  static const NewdevAccess newdev = {.load = FakeLoadNewdev,
                                      .findUpdate = FakeFindUpdate,
                                      .update = FakeUpdate,
                                      .describeDevices = FakeDescribeDevices,
                                      .release = FakeReleaseNewdev};
  unsigned long error = 0;
  return CallUpdate(newdev, infPath, hardwareId, rebootRequired, unattended, force, &error);
}

static std::string Utf8(const wchar_t* text) {
  std::string utf8;
  for (; *text != 0; ++text) {
    unsigned long c = static_cast<unsigned long>(*text);
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | c >> 6);
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | c >> 12);
      utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

static const wchar_t* FakeWideCommandLine() {
  ++fake.wideReads;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(fake.commandLine.data());
  if (!fake.wideCommandLine) fake.wideCommandLine.emplace(bytes, bytes + fake.commandLine.size());
  return fake.wideCommandLine->c_str();
}

static const char* FakeExactAnsi(const wchar_t* text) {
  const std::wstring wide(text);
  bool lossy = std::any_of(wide.begin(), wide.end(), [](wchar_t c) { return c > 0xFF; });
  if (lossy && !fake.utf8CodePage) return nullptr;
  fake.exactCopies.push_back(fake.utf8CodePage ? Utf8(text) : std::string(wide.begin(), wide.end()));
  return fake.exactCopies.back().c_str();
}

static const char* FakeShortAnsiPath(const wchar_t* path) {
  fake.shortPathQueries.push_back(path);
  for (const auto& known : fake.shortPaths)
    if (known.first == path) return known.second.c_str();
  return nullptr;
}

static const wchar_t* FakeEnvironmentVariable(const wchar_t* name) {
  fake.environmentReads.push_back(name);
  if (std::wstring(name) == L"DRVSETUP_NO_DEVICE_EXIT_CODE") return fake.noDeviceExitCode;
  if (std::wstring(name) == L"DRVSETUP_ONLY_IF_BETTER") return fake.onlyIfBetter;
  return std::wstring(name) == L"DRVSETUP_RESTART_EXIT_CODE" ? fake.restartExitCode : nullptr;
}

static int FakeWindowStationVisible() { return fake.windowStationVisible; }

static int FakeSessionIds(unsigned long* process, unsigned long* console) {
  *process = fake.processSession;
  *console = fake.consoleSession;
  return fake.sessionsRead;
}

static unsigned long FakeUpdateError() { return fake.updateError; }

static int FakeInfOffers(const char*, const char* hardwareId) {
  fake.offerChecks.push_back(hardwareId);
  return fake.offered;
}

static int FakeRunsUnderWow64() {
  return std::string(fake.build) == "x86" && fake.native != nullptr && std::string(fake.native) != "x86";
}

static int FakeStageDriverPackage(const char* fullInfPath, int) {
  fake.events.push_back("stage");
  fake.stagedInf = fullInfPath;
  return fake.stageResult;
}

static int FakeRemoveDriverPackage(const char* fullInfPath, int* rebootRequired, int unattended) {
  fake.events.push_back("remove");
  fake.removeInf = fullInfPath;
  fake.removeSilent = rebootRequired != nullptr;
  fake.installUnattended = unattended != 0;
  if (rebootRequired != nullptr) *rebootRequired = fake.rebootReport;
  return fake.removeResult;
}

static void FakeStart() { fake.events.push_back("start"); }
static void FakeStop() { fake.events.push_back("stop"); }

static void* FakeOpenLog() {
  ++fake.logOpens;
  return fake.logPath.empty() ? nullptr : &fake;
}

static int FakeLockLog(void*) {
  ++fake.logLocks;
  return 1;
}

static void FakeUnlockLog(void*) { --fake.logLocks; }

static int FakeSeekLogEnd(void*) { return !fake.seekFails; }

static void FakeWriteLog(void* log, const char* text, size_t length) {
  fake.events.push_back("log");
  if (log == &fake) fake.logLines.push_back(std::string(text, length));
}

static void FakeDescribeProcess(LogProcess* process) {
  *process = {2024, 3, 9, 7, 5, 4, 32, 4242, fake.build, fake.native, fake.archSource};
}

static unsigned long FakeLastError() { return fake.lastError; }

// The system's text for the few codes the tests use; none for the others.
static void FakeErrorText(unsigned long code, char* text, size_t size) {
  const char* known = code == 2     ? "The system cannot find the file specified.\r\n"
                      : code == 126 ? "The specified module could not be found.\r\n"
                      : code == 1168 ? "Element not found.\r\n"
                                     : "";
  strncpy(text, known, size);
}

// Nothing when it does not fit, as the platform.
static size_t FakeWideToUtf8(const wchar_t* text, char* out, size_t size) {
  std::string utf8 = Utf8(text);
  if (utf8.size() + 1 > size) return 0;
  memcpy(out, utf8.c_str(), utf8.size() + 1);
  return utf8.size();
}

Platform platform = {.getCommandLine = FakeCommandLine,
                     .allocFixed = FakeAlloc,
                     .infFileExists = FakeInfFileExists,
                     .fullPath = FakeFullPath,
                     .startProgress = FakeStart,
                     .stopProgress = FakeStop,
                     .getWideCommandLine = FakeWideCommandLine,
                     .exactAnsi = FakeExactAnsi,
                     .shortAnsiPath = FakeShortAnsiPath,
                     .getEnvironmentVariable = FakeEnvironmentVariable,
                     .windowStationVisible = FakeWindowStationVisible,
                     .sessionIds = FakeSessionIds};
SetupActions setupActions = {.showMessage = FakeShowMessage,
                             .installDriver = FakeInstallDriver,
                             .updateError = FakeUpdateError,
                             .infOffersHardwareId = FakeInfOffers,
                             .runsUnderWow64 = FakeRunsUnderWow64,
                             .stageDriverPackage = FakeStageDriverPackage};
RemovalActions removalActions = {.removeDriverPackage = FakeRemoveDriverPackage};

LogPlatform logPlatform = {FakeOpenLog,  FakeAlloc,     FakeLockLog,         FakeSeekLogEnd,
                           FakeWriteLog, FakeUnlockLog, FakeDescribeProcess, FakeLastError,
                           FakeErrorText, FakeWideToUtf8};

void ResetFakePlatform() {
  for (void* block : fake.blocks) free(block);
  fake = FakeState();
}
