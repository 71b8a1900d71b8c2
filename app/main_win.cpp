#include <windows.h>

#include "../install/install_driver.h"
#include "../progress/progress_dialog.h"
#include "../resources/resource.h"
#include "../diagnostics/diagnostic_log_win.h"
#include "../diagnostics/log_platform.h"
#include "dispatch.h"
#include "platform.h"

static HINSTANCE moduleInstance;

static const char* ReadCommandLine() { return GetCommandLineA(); }

static void* AllocFixed(size_t bytes) { return GlobalAlloc(GMEM_FIXED, bytes); }

static void ShowMessage(const char* text, const char* caption, unsigned icon) {
  MessageBoxA(nullptr, text, caption, MB_OK | icon);
}

// Fixed memory that lives as long as the tokens; null when the path cannot be resolved.
static const char* FullPath(const char* path) {
  DWORD size = GetFullPathNameA(path, 0, nullptr, nullptr);
  char* full = size != 0 ? static_cast<char*>(GlobalAlloc(GMEM_FIXED, size)) : nullptr;
  if (full == nullptr) return nullptr;
  DWORD length = GetFullPathNameA(path, size, full, nullptr);
  return length != 0 && length < size ? full : nullptr;
}

static const wchar_t* ReadWideCommandLine() { return GetCommandLineW(); }

// One block (128 KiB, on a road that otherwise always fails) for the longest
// short path the platform takes and its ANSI form (two bytes a character at
// most). A lossy conversion is refused: a best-fit or default character would
// name another file, or none.
static const char* ShortAnsiPath(const wchar_t* path) {
  const DWORD size = 32768;
  wchar_t* wide = static_cast<wchar_t*>(GlobalAlloc(GMEM_FIXED, 4 * size));
  if (wide == nullptr) return nullptr;
  char* ansi = reinterpret_cast<char*>(wide + size);
  BOOL lossy = FALSE;
  DWORD length = GetShortPathNameW(path, wide, size);
  if (length == 0 || length >= size ||
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, ansi, 2 * size, nullptr, &lossy) == 0 ||
      lossy)
    return nullptr;
  return ansi;
}

// In fixed memory that lives until the process ends, like the tokens.
static const wchar_t* ReadEnvironmentVariable(const wchar_t* name) {
  DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  wchar_t* value =
      size > 1 ? static_cast<wchar_t*>(GlobalAlloc(GMEM_FIXED, size * sizeof(wchar_t))) : nullptr;
  if (value == nullptr) return nullptr;
  DWORD length = GetEnvironmentVariableW(name, value, size);
  return length > 0 && length < size ? value : nullptr;
}

static void StartProgress() {
  StartProgressDialog(moduleInstance, IDD_PROGRESS, IDC_PROGRESS, nullptr);
}

Platform platform = {ReadCommandLine,     AllocFixed,     ShowMessage,   InfFileExists,
                     FullPath,            InstallDriver,  StartProgress, StopProgressDialog,
                     ReadWideCommandLine, ShortAnsiPath,  ReadEnvironmentVariable};

LogPlatform logPlatform = {ReadLogPath,     AllocFixed,    AppendLogLine, DescribeProcess,
                           ReadLastError,   ReadErrorText, ConvertToUtf8};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  moduleInstance = hInstance;
  return RunSetup();
}
