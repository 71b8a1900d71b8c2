#include "stage_package.h"

#include "../diagnostics/diagnostic_log.h"
#include "setup_api.h"

int StageDriverPackage(const char* fullInfPath, int unattended) {
  if (!OpenSetupApi()) {
    LogStaging(fullInfPath, nullptr, GetLastError());
    return 0;
  }
  BOOL done = FALSE;
  DWORD error = ERROR_PROC_NOT_FOUND;
  char published[MAX_PATH] = "";
  if (setupApi.copyOemInf != nullptr) {
    if (unattended && setupApi.setNonInteractiveMode != nullptr) setupApi.setNonInteractiveMode(TRUE);
    // SPOST_PATH: the INF's other files lie beside it.
    done = setupApi.copyOemInf(fullInfPath, nullptr, SPOST_PATH, 0, published, MAX_PATH, nullptr, nullptr);
    error = GetLastError();
  }
  CloseSetupApi();
  LogStaging(fullInfPath, done ? published : nullptr, error);
  return done != 0;
}
