#include "update_call.h"

#include "../common/install_flags.h"
#include "../diagnostics/diagnostic_log.h"

int CallUpdate(const NewdevAccess& newdev, const char* infPath, const char* hardwareId, int* rebootRequired,
               int unattended, int force, unsigned long* updateError) {
  unsigned long loadError = 0;
  const char* path = newdev.load(&loadError);
  LogLibrary(path, loadError);
  if (path == nullptr) return 0;
  int found = newdev.findUpdate();
  LogFunction(found);
  int result = 0;
  if (found) {
    unsigned long flags = (force ? INSTALLFLAG_FORCE : 0) | (unattended ? INSTALLFLAG_NONINTERACTIVE : 0);
    LogUpdateCall(hardwareId, infPath, flags, rebootRequired != nullptr);
    result = newdev.update(hardwareId, infPath, flags, rebootRequired, updateError);
    LogUpdateResult(result, *updateError, rebootRequired);
    // While the update's own set-up API is still loaded: it is not loaded and set up again.
    if (result) newdev.describeDevices(hardwareId);
  }
  newdev.release();
  return result;
}
