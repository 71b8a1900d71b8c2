#pragma once

// This program's architecture and Windows' own, named as the release's folders name them.
struct Architecture {
  const char* build;   // "x86", "x64" or "arm64"
  const char* native;  // null when it cannot be told
  const char* source;  // the function that told native (or failed to)
};

void ReadArchitecture(Architecture* architecture);

// 1 when this process is a 32-bit one on 64-bit Windows (WOW64).
int RunsUnderWow64();
