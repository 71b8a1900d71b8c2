#include <windows.h>

#include "../install/install_driver.h"
#include "../progress/progress_dialog.h"
#include "../resources/resource.h"
#include "diagnostic_log_win.h"
#include "dispatch.h"
#include "platform.h"

static HINSTANCE moduleInstance;

static const char* ReadCommandLine() { return GetCommandLineA(); }

static void* AllocFixed(size_t bytes) { return GlobalAlloc(GMEM_FIXED, bytes); }

static void ShowMessage(const char* text, const char* caption, unsigned icon) {
  MessageBoxA(nullptr, text, caption, MB_OK | icon);
}

static void StartProgress() {
  StartProgressDialog(moduleInstance, IDD_PROGRESS, IDC_PROGRESS, nullptr);
}

Platform platform = {ReadCommandLine, AllocFixed,      ShowMessage,     InfFileExists,
                     InstallDriver,   StartProgress,   StopProgressDialog, ReadLogPath,
                     AppendLogLine,   DescribeProcess, ReadLastError,   ReadErrorText};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  moduleInstance = hInstance;
  return RunSetup();
}
