#include <windows.h>

#include "../common/inf_path.h"
#include "../common/platform.h"
#include "../common/platform_win.h"
#include "../diagnostics/diagnostic_log_win.h"
#include "../install/remove_package.h"
#include "../install/system_library.h"
#include "../progress/progress_dialog.h"
#include "../resources/resource.h"
#include "removal.h"

static HINSTANCE moduleInstance;

static void StartProgress() {
  StartProgressDialog(moduleInstance, IDD_PROGRESS, IDC_PROGRESS, nullptr);
}

// What only drvsetup.exe does is left out: this program shows no box and installs nothing.
Platform platform = {ReadCommandLine,      AllocFixed,  nullptr,  InfFileExists,
                     FullPath,             nullptr,     StartProgress, StopProgressDialog,
                     ReadWideCommandLine,  ExactAnsi,   ShortAnsiPath, ReadEnvironmentVariable,
                     WindowStationVisible, SessionIds,  nullptr,  nullptr,
                     nullptr,              nullptr,     RemoveDriverPackage};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  UseSystemDirectoryForLibraries();  // before anything loads a library late
  moduleInstance = hInstance;
  return RunRemoval();
}
