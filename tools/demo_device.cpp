// Creates and inspects a root-enumerated demo device, so that a driver
// installation by drvsetup.exe can be watched from outside:
//   demo_device register <hardwareId>   prints the new device's instance ID
//   demo_device query <hardwareId>      prints every present device with that ID
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>

// The demo device class; examples/demo/drvsetup-demo.inf names the same GUID.
static const GUID DEMO_CLASS = {
    0x104a9255, 0x61cf, 0x477f, {0xba, 0xea, 0xc2, 0x30, 0xae, 0xdd, 0x35, 0x11}};

static const DWORD TEXT_SIZE = 1024;

static int Fail(const char* call) {
  fprintf(stderr, "demo_device: %s failed, error %lu\n", call, GetLastError());
  return 1;
}

// A string property, or "none" when the device has none; the buffer's last two
// bytes stay zero so that a multi-sz property ends in its double terminator.
static const char* ReadProperty(HDEVINFO set, SP_DEVINFO_DATA* device, DWORD property,
                                char* text) {
  ZeroMemory(text, TEXT_SIZE);
  if (SetupDiGetDeviceRegistryPropertyA(set, device, property, nullptr,
                                        reinterpret_cast<BYTE*>(text), TEXT_SIZE - 2, nullptr))
    return text;
  return "none";
}

// Hardware IDs compare without regard to case, as Windows compares them (Wine's
// driver update matches the exact string, so it may pass over a device listed here).
static bool HasHardwareId(HDEVINFO set, SP_DEVINFO_DATA* device, const char* hardwareId) {
  char ids[TEXT_SIZE];
  if (ReadProperty(set, device, SPDRP_HARDWAREID, ids) != ids) return false;
  for (const char* id = ids; *id != '\0'; id += lstrlenA(id) + 1)
    if (lstrcmpiA(id, hardwareId) == 0) return true;
  return false;
}

static void PrintDevice(HDEVINFO set, SP_DEVINFO_DATA* device) {
  char text[TEXT_SIZE];
  if (!SetupDiGetDeviceInstanceIdA(set, device, text, TEXT_SIZE, nullptr)) lstrcpyA(text, "?");
  printf("%s\n", text);
  printf("  description: %s\n", ReadProperty(set, device, SPDRP_DEVICEDESC, text));
  printf("  driver key:  %s\n", ReadProperty(set, device, SPDRP_DRIVER, text));
}

static bool CreateDevice(HDEVINFO set, SP_DEVINFO_DATA* device, const char* hardwareId) {
  char ids[TEXT_SIZE] = {0};
  int length = lstrlenA(hardwareId);
  if (length == 0 || length + 2 > static_cast<int>(TEXT_SIZE)) return false;
  lstrcpyA(ids, hardwareId);  // one ID, then the multi-sz's closing empty string
  return SetupDiCreateDeviceInfoA(set, "DrvsetupDemo", &DEMO_CLASS, nullptr, nullptr,
                                  DICD_GENERATE_ID, device) &&
         SetupDiSetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID,
                                           reinterpret_cast<BYTE*>(ids), length + 2) &&
         SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, device);
}

static int Register(const char* hardwareId) {
  HDEVINFO set = SetupDiCreateDeviceInfoList(&DEMO_CLASS, nullptr);
  if (set == INVALID_HANDLE_VALUE) return Fail("SetupDiCreateDeviceInfoList");
  SP_DEVINFO_DATA device = {sizeof device, {}, 0, 0};
  int status = CreateDevice(set, &device, hardwareId) ? 0 : Fail("registering the device");
  char instanceId[TEXT_SIZE];
  if (status == 0 && SetupDiGetDeviceInstanceIdA(set, &device, instanceId, TEXT_SIZE, nullptr))
    printf("%s\n", instanceId);
  SetupDiDestroyDeviceInfoList(set);
  return status;
}

static int Query(const char* hardwareId) {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return Fail("SetupDiGetClassDevsA");
  int matches = 0;
  SP_DEVINFO_DATA device = {sizeof device, {}, 0, 0};
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    if (!HasHardwareId(set, &device, hardwareId)) continue;
    PrintDevice(set, &device);
    ++matches;
  }
  SetupDiDestroyDeviceInfoList(set);
  if (matches == 0) fprintf(stderr, "demo_device: no present device has the ID %s\n", hardwareId);
  return matches > 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 3 && lstrcmpA(argv[1], "register") == 0) return Register(argv[2]);
  if (argc == 3 && lstrcmpA(argv[1], "query") == 0) return Query(argv[2]);
  fputs("usage: demo_device register|query <hardwareId>\n", stderr);
  return 2;
}
