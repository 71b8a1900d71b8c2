#include <windows.h>

#include "../install/install_driver.h"
#include "../install/offered_id.h"
#include "../install/stage_package.h"
#include "../common/system_library.h"
#include "../progress/progress_dialog.h"
#include "../resources/resource.h"
#include "../diagnostics/diagnostic_log_win.h"
#include "../common/architecture.h"
#include "../common/inf_path.h"
#include "../common/platform.h"
#include "../common/platform_win.h"
#include "dispatch.h"
#include "setup_actions.h"

static HINSTANCE moduleInstance;

static void ShowMessage(const char* text, const char* caption, unsigned icon) {
  MessageBoxA(nullptr, text, caption, MB_OK | icon);
}

static void StartProgress() {
  StartProgressDialog(moduleInstance, IDD_PROGRESS, IDC_PROGRESS, nullptr);
}

Platform platform = WindowsPlatform(StartProgress, StopProgressDialog);
SetupActions setupActions = {.showMessage = ShowMessage,
                             .installDriver = InstallDriver,
                             .updateError = LastUpdateError,
                             .infOffersHardwareId = InfOffersHardwareId,
                             .runsUnderWow64 = RunsUnderWow64,
                             .stageDriverPackage = StageDriverPackage};

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
  UseSystemDirectoryForLibraries();  // before anything loads a library late
  moduleInstance = hInstance;
  return RunSetup();
}
