#include "device_status.h"

#include <windows.h>
#include <setupapi.h>

#include "../diagnostics/diagnostic_log.h"
#include "models_section.h"
#include "../common/system_library.h"

typedef HDEVINFO(WINAPI* SetupDiGetClassDevsAFn)(const GUID* classGuid, PCSTR enumerator, HWND parent,
                                                 DWORD flags);
typedef BOOL(WINAPI* SetupDiEnumDeviceInfoFn)(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device);
typedef BOOL(WINAPI* SetupDiGetDeviceRegistryPropertyAFn)(HDEVINFO set, PSP_DEVINFO_DATA device,
                                                          DWORD property, PDWORD type, PBYTE buffer,
                                                          DWORD size, PDWORD needed);
typedef BOOL(WINAPI* SetupDiGetDeviceInstanceIdAFn)(HDEVINFO set, PSP_DEVINFO_DATA device, PSTR id,
                                                    DWORD size, PDWORD needed);
typedef BOOL(WINAPI* SetupDiDestroyDeviceInfoListFn)(HDEVINFO set);
// Also exported by setupapi.dll, for the programs written before cfgmgr32.dll.
typedef DWORD(WINAPI* CM_Get_DevNode_StatusFn)(PULONG status, PULONG problem, DWORD devInst, ULONG flags);

static const DWORD ID_LIST_SIZE = 4096;
static const DWORD CR_SUCCESS_CODE = 0;
static const DWORD INSTANCE_ID_SIZE = 201;  // MAX_DEVICE_ID_LEN, 200, and its NUL

static struct {
  SetupDiGetClassDevsAFn classDevs;
  SetupDiEnumDeviceInfoFn enumDevice;
  SetupDiGetDeviceRegistryPropertyAFn property;
  SetupDiGetDeviceInstanceIdAFn instanceId;
  SetupDiDestroyDeviceInfoListFn destroy;
  CM_Get_DevNode_StatusFn status;
} api;

static void* Find(HMODULE library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(library, name));
}

static int Bind(HMODULE library) {
  api.classDevs = reinterpret_cast<SetupDiGetClassDevsAFn>(Find(library, "SetupDiGetClassDevsA"));
  api.enumDevice = reinterpret_cast<SetupDiEnumDeviceInfoFn>(Find(library, "SetupDiEnumDeviceInfo"));
  api.property =
      reinterpret_cast<SetupDiGetDeviceRegistryPropertyAFn>(Find(library, "SetupDiGetDeviceRegistryPropertyA"));
  api.instanceId = reinterpret_cast<SetupDiGetDeviceInstanceIdAFn>(Find(library, "SetupDiGetDeviceInstanceIdA"));
  api.destroy = reinterpret_cast<SetupDiDestroyDeviceInfoListFn>(Find(library, "SetupDiDestroyDeviceInfoList"));
  api.status = reinterpret_cast<CM_Get_DevNode_StatusFn>(Find(library, "CM_Get_DevNode_Status"));
  return api.classDevs && api.enumDevice && api.property && api.instanceId && api.destroy;
}

// The ID in the device's list of this property (a REG_MULTI_SZ) that is hardwareId; null if none.
static const char* Matching(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property, char* list,
                            const char* hardwareId) {
  DWORD type = 0;
  if (!api.property(set, device, property, &type, reinterpret_cast<BYTE*>(list), ID_LIST_SIZE - 2, nullptr) ||
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
  if (!api.instanceId(set, device, instance, sizeof instance, nullptr)) lstrcpyA(instance, "?");
  ULONG status = 0, problem = 0;
  DWORD result = api.status(&status, &problem, device->DevInst, 0);
  LogDeviceStatus(instance, matched, compatible, result == CR_SUCCESS_CODE, result == CR_SUCCESS_CODE ? status : result,
                  problem);
  return 1;
}

void LogDevicesWithId(const char* hardwareId) {
  if (!LogIsOn()) return;  // the log is the only reader of all this
  HMODULE library = LoadSystemLibrary("setupapi.dll");
  if (library == nullptr || !Bind(library) || api.status == nullptr) {
    LogDeviceNote("the devices' status cannot be read: setupapi.dll or CM_Get_DevNode_Status is missing");
    if (library != nullptr) FreeLibrary(library);
    return;
  }
  HDEVINFO set = api.classDevs(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  int found = 0;
  if (set != INVALID_HANDLE_VALUE) {
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof device;
    for (DWORD i = 0; api.enumDevice(set, i, &device); ++i) found += LogDevice(set, &device, hardwareId);
    api.destroy(set);
  }
  if (found == 0)
    LogDeviceNote("no present device lists the ID, so no status can be told (the update may have "
                  "found none, or the system lists none)");
  FreeLibrary(library);
}
