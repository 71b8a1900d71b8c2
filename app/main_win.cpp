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

static void StartProgress() {
  StartProgressDialog(moduleInstance, IDD_PROGRESS, IDC_PROGRESS, nullptr);
}

Platform platform = {ReadCommandLine, AllocFixed,    ShowMessage,   InfFileExists,
                     FullPath,        InstallDriver, StartProgress, StopProgressDialog};

LogPlatform logPlatform = {ReadLogPath,     AllocFixed,    AppendLogLine,
                           DescribeProcess, ReadLastError, ReadErrorText};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  moduleInstance = hInstance;
  return RunSetup();
}
