#include "fake_platform.h"

#include <stdlib.h>

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
  fake.boxes.push_back({text, caption != nullptr, caption ? caption : "", icon});
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

static int FakeInstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired) {
  fake.events.push_back("install");
  fake.installInf = infPath;
  fake.installHardwareId = hardwareId;
  fake.installSilent = rebootRequired != nullptr;
  if (rebootRequired != nullptr) *rebootRequired = 1;  // the logic must not care
  return fake.driverResult;
}

static void FakeStart() { fake.events.push_back("start"); }
static void FakeStop() { fake.events.push_back("stop"); }

Platform platform = {FakeCommandLine, FakeAlloc,         FakeShowMessage, FakeInfFileExists,
                     FakeFullPath,    FakeInstallDriver, FakeStart,       FakeStop};

void ResetFakePlatform() {
  for (void* block : fake.blocks) free(block);
  fake = FakeState();
}
