#include "architecture.h"

#include <windows.h>
#include <string.h>

#include "build.h"

static const char* MachineName(USHORT machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "x86";
    case IMAGE_FILE_MACHINE_AMD64: return "x64";
    case IMAGE_FILE_MACHINE_ARM64: return "arm64";
  }
  return nullptr;
}

typedef BOOL(WINAPI* IsWow64Process2Fn)(HANDLE process, USHORT* processMachine, USHORT* nativeMachine);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE process, PBOOL wow64);

// Both bound at run time from kernel32.dll, which is in every process, so no file is
// searched for. IsWow64Process2 (Windows 10 1511 on) alone tells x64 from arm64 Windows;
// where it is missing there is no arm64 Windows, and a WOW64 process is on x64 Windows
// (Windows before XP SP2 has neither function, and no WOW64).
void ReadArchitecture(Architecture* architecture) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  IsWow64Process2Fn isWow64Process2 = reinterpret_cast<IsWow64Process2Fn>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "IsWow64Process2")));
  IsWow64ProcessFn isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "IsWow64Process")));
  USHORT processMachine, nativeMachine;
  BOOL wow64 = FALSE;
  architecture->build = BUILD;
  if (isWow64Process2 != nullptr) {
    architecture->source = "IsWow64Process2";
    bool told = isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine);
    architecture->native = told ? MachineName(nativeMachine) : nullptr;
  } else {
    architecture->source = "IsWow64Process";
    bool told = isWow64Process == nullptr || isWow64Process(GetCurrentProcess(), &wow64);
    architecture->native = !told ? nullptr : wow64 ? "x64" : BUILD;
  }
}

int RunsUnderWow64() {
  Architecture architecture;
  ReadArchitecture(&architecture);
  return strcmp(architecture.build, "x86") == 0 && architecture.native != nullptr &&
         strcmp(architecture.native, "x86") != 0;
}
