#include <windows.h>

#include "../common/inf_path.h"
#include "../common/platform.h"
#include "../common/platform_win.h"
#include "../diagnostics/diagnostic_log_win.h"
#include "../install/remove_package.h"
#include "../common/system_library.h"
#include "../progress/progress_dialog.h"
#include "../resources/resource.h"
#include "removal.h"
#include "removal_actions.h"

static HINSTANCE moduleInstance;

static void StartProgress() {
  StartProgressDialog(moduleInstance, IDD_PROGRESS, IDC_PROGRESS, nullptr);
}

Platform platform = WindowsPlatform(StartProgress, StopProgressDialog);
RemovalActions removalActions = {.removeDriverPackage = RemoveDriverPackage};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  UseSystemDirectoryForLibraries();  // before anything loads a library late
  moduleInstance = hInstance;
  return RunRemoval();
}
