#include "install_driver.h"

#include "device_status.h"
#include "newdev_api.h"
#include "update_call.h"

static unsigned long updateError;

unsigned long LastUpdateError() { return updateError; }

static const char* Load(unsigned long* error) {
  const char* path = OpenNewdevApi();
  *error = GetLastError();
  return path;
}

static int FindUpdate() { return newdevApi.updateDriver != nullptr; }

static int Update(const char* hardwareId, const char* infPath, unsigned long flags, int* rebootRequired,
                  unsigned long* lastError) {
  BOOL result = newdevApi.updateDriver(nullptr, hardwareId, infPath, flags, reinterpret_cast<PBOOL>(rebootRequired));
  *lastError = GetLastError();
  return result;
}

int InstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired, int unattended, int force) {
  static const NewdevAccess newdev = {.load = Load,
                                      .findUpdate = FindUpdate,
                                      .update = Update,
                                      .describeDevices = LogDevicesWithId,
                                      .release = CloseNewdevApi};
  return CallUpdate(newdev, infPath, hardwareId, rebootRequired, unattended, force, &updateError);
}
