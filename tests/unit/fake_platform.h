#pragma once
#include <string>
#include <vector>

#include "platform.h"

// A platform that records what the logic showed and called.
struct FakeBox {
  std::string text;
  bool hasCaption;
  std::string caption;
  unsigned icon;
};

struct FakeState {
  std::string commandLine;
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
  std::vector<std::string> events;  // "start", "install", "stop" in call order
  std::string installInf, installHardwareId;
  bool installSilent = false;
};

extern FakeState fake;

// Installs the recorders into platform and clears every record.
void ResetFakePlatform();
