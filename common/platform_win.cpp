#include "platform_win.h"

#include <windows.h>

#include "inf_path.h"

const char* ReadCommandLine() { return GetCommandLineA(); }

void* AllocFixed(size_t bytes) { return GlobalAlloc(GMEM_FIXED, bytes); }

// Fixed memory that lives as long as the tokens; null when the path cannot be resolved.
const char* FullPath(const char* path) {
  DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
  char* full = size != 0 ? static_cast<char*>(GlobalAlloc(GMEM_FIXED, size)) : nullptr;
  if (full == nullptr) return nullptr;
  DWORD length = GetFullPathNameA(path, size, full, nullptr);
  return length != 0 && length < size ? full : nullptr;
}

const wchar_t* ReadWideCommandLine() { return GetCommandLineW(); }

// In fixed memory; null when a character has no exact form in the ANSI code
// page: a best-fit look-alike or a default character names another file, or
// none. A UTF-8 code page has no best fit, and refuses the flag and the
// question; there an ill-formed text (a lone surrogate) is refused instead.
const char* ExactAnsi(const wchar_t* text) {
  BOOL utf8 = GetACP() == CP_UTF8, lossy = FALSE;
  UINT codePage = utf8 ? CP_UTF8 : CP_ACP;  // the flag is documented for CP_UTF8 by name
  DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL* ask = utf8 ? nullptr : &lossy;
  int size = WideCharToMultiByte(codePage, flags, text, -1, nullptr, 0, nullptr, ask);
  char* ansi = size > 0 && !lossy ? static_cast<char*>(GlobalAlloc(GMEM_FIXED, size)) : nullptr;
  if (ansi == nullptr) return nullptr;
  int length = WideCharToMultiByte(codePage, flags, text, -1, ansi, size, nullptr, ask);
  return length == size && !lossy ? ansi : nullptr;
}

// Its block is never given back, like the tokens.
const char* ShortAnsiPath(const wchar_t* path) {
  DWORD size = GetShortPathNameW(path, nullptr, 0);
  wchar_t* shortPath = size > 0 ? static_cast<wchar_t*>(GlobalAlloc(GMEM_FIXED, 2 * size)) : nullptr;
  if (shortPath == nullptr) return nullptr;
  DWORD length = GetShortPathNameW(path, shortPath, size);
  return length > 0 && length < size ? ExactAnsi(shortPath) : nullptr;
}

// In fixed memory that lives until the process ends, like the tokens.
const wchar_t* ReadEnvironmentVariable(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  wchar_t* value =
      size > 1 ? static_cast<wchar_t*>(GlobalAlloc(GMEM_FIXED, size * sizeof(wchar_t))) : nullptr;
  if (value == nullptr) return nullptr;
  DWORD length = GetEnvironmentVariableW(name, value, size);
  return length > 0 && length < size ? value : nullptr;
}

int WindowStationVisible() {
  USEROBJECTFLAGS flags;
  DWORD needed;
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr ||
      !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed))
    return 1;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

typedef BOOL(WINAPI* ProcessIdToSessionIdFn)(DWORD processId, DWORD* sessionId);
typedef DWORD(WINAPI* WTSGetActiveConsoleSessionIdFn)();

// Both from kernel32, which every process has loaded; missing before Windows XP.
int SessionIds(unsigned long* process, unsigned long* console) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  ProcessIdToSessionIdFn ofProcess = reinterpret_cast<ProcessIdToSessionIdFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "ProcessIdToSessionId")));
  WTSGetActiveConsoleSessionIdFn ofConsole = reinterpret_cast<WTSGetActiveConsoleSessionIdFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "WTSGetActiveConsoleSessionId")));
  DWORD session;
  if (ofProcess == nullptr || ofConsole == nullptr || !ofProcess(GetCurrentProcessId(), &session)) return 0;
  *process = session;
  *console = ofConsole();
  return 1;
}


Platform WindowsPlatform(void (*startProgress)(), void (*stopProgress)()) {
  return {.getCommandLine = ReadCommandLine,
          .allocFixed = AllocFixed,
          .infFileExists = InfFileExists,
          .fullPath = FullPath,
          .startProgress = startProgress,
          .stopProgress = stopProgress,
          .getWideCommandLine = ReadWideCommandLine,
          .exactAnsi = ExactAnsi,
          .shortAnsiPath = ShortAnsiPath,
          .getEnvironmentVariable = ReadEnvironmentVariable,
          .windowStationVisible = WindowStationVisible,
          .sessionIds = SessionIds};
}
