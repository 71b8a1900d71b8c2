#include "setup_api.h"

#include "../common/system_library.h"

SetupApi setupApi;
static HMODULE library;
static int opened;

template <typename Function>
static void Bind(Function* member, const char* name) {
  *member = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

int OpenSetupApi() {
  if (opened++ > 0) return 1;
  library = LoadSystemLibrary("setupapi.dll");
  if (library == nullptr) {
    opened = 0;
    return 0;
  }
  Bind(&setupApi.openInf, "SetupOpenInfFileA");
  Bind(&setupApi.closeInf, "SetupCloseInfFile");
  Bind(&setupApi.findFirstLine, "SetupFindFirstLineA");
  Bind(&setupApi.findNextLine, "SetupFindNextLine");
  Bind(&setupApi.fieldCount, "SetupGetFieldCount");
  Bind(&setupApi.stringField, "SetupGetStringFieldA");
  Bind(&setupApi.actualModelsSection, "SetupDiGetActualModelsSectionA");
  Bind(&setupApi.copyOemInf, "SetupCopyOEMInfA");
  Bind(&setupApi.uninstallOemInf, "SetupUninstallOEMInfA");
  Bind(&setupApi.setNonInteractiveMode, "SetupSetNonInteractiveMode");
  Bind(&setupApi.classDevs, "SetupDiGetClassDevsA");
  Bind(&setupApi.enumDevice, "SetupDiEnumDeviceInfo");
  Bind(&setupApi.deviceProperty, "SetupDiGetDeviceRegistryPropertyA");
  Bind(&setupApi.instanceId, "SetupDiGetDeviceInstanceIdA");
  Bind(&setupApi.destroyList, "SetupDiDestroyDeviceInfoList");
  Bind(&setupApi.devNodeStatus, "CM_Get_DevNode_Status");
  return 1;
}

void CloseSetupApi() {
  if (opened == 0 || --opened > 0) return;
  FreeLibrary(library);
  library = nullptr;
  setupApi = SetupApi{};
}
