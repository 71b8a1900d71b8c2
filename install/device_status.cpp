#include "device_status.h"

#include "../diagnostics/diagnostic_log.h"
#include "models_section.h"
#include "setup_api.h"

static const DWORD ID_LIST_SIZE = 4096;
static const DWORD CR_SUCCESS_CODE = 0;
static const DWORD INSTANCE_ID_SIZE = 201;  // MAX_DEVICE_ID_LEN, 200, and its NUL

// The ID in the device's list of this property (a REG_MULTI_SZ) that is hardwareId; null if none.
static const char* Matching(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property, char* list,
                            const char* hardwareId) {
  DWORD type = 0;
  if (!setupApi.deviceProperty(set, device, property, &type, reinterpret_cast<BYTE*>(list), ID_LIST_SIZE - 2, nullptr) ||
      type != REG_MULTI_SZ)
    return nullptr;
  list[ID_LIST_SIZE - 2] = list[ID_LIST_SIZE - 1] = '\0';
  for (const char* id = list; *id != '\0'; id += lstrlenA(id) + 1)
    if (SameDeviceId(id, hardwareId)) return id;
  return nullptr;
}

// One device's line, where it has the ID; 1 when it has.
static int LogDevice(HDEVINFO set, SP_DEVINFO_DATA* device, const char* hardwareId) {
  char list[ID_LIST_SIZE], instance[INSTANCE_ID_SIZE];
  int compatible = 0;
  const char* matched = Matching(set, device, SPDRP_HARDWAREID, list, hardwareId);
  if (matched == nullptr && (matched = Matching(set, device, SPDRP_COMPATIBLEIDS, list, hardwareId)) != nullptr)
    compatible = 1;
  if (matched == nullptr) return 0;
  if (!setupApi.instanceId(set, device, instance, sizeof instance, nullptr)) lstrcpyA(instance, "?");
  ULONG status = 0, problem = 0;
  DWORD result = setupApi.devNodeStatus(&status, &problem, device->DevInst, 0);
  LogDeviceStatus(instance, matched, compatible, result == CR_SUCCESS_CODE, result == CR_SUCCESS_CODE ? status : result,
                  problem);
  return 1;
}

static int DeviceCallsBound() {
  const SetupApi& api = setupApi;
  return api.classDevs && api.enumDevice && api.deviceProperty && api.instanceId && api.destroyList &&
         api.devNodeStatus;
}

static void LogEachDevice(const char* hardwareId) {
  HDEVINFO set = setupApi.classDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  int found = 0;
  if (set != INVALID_HANDLE_VALUE) {
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; setupApi.enumDevice(set, i, &device); ++i) found += LogDevice(set, &device, hardwareId);
    setupApi.destroyList(set);
  }
  if (found == 0)
    LogDeviceNote("no present device lists the ID, so no status can be told (the update may have "
                  "found none, or the system lists none)");
}

void LogDevicesWithId(const char* hardwareId) {
  if (OpenSetupApi() && DeviceCallsBound())
    LogEachDevice(hardwareId);
  else
    LogDeviceNote("the devices' status cannot be read: setupapi.dll or CM_Get_DevNode_Status is missing");
  CloseSetupApi();  // nothing to release where it was not opened
}
