#include "machine.h"

#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The demo package's class; a device of another class would get the INF all the same.
static const GUID DEMO_CLASS = {
    0x104a9255, 0x61cf, 0x477f, {0xba, 0xea, 0xc2, 0x30, 0xae, 0xdd, 0x35, 0x11}};

static bool HasId(HDEVINFO set, SP_DEVINFO_DATA* device, const char* hardwareId) {
  char ids[2048] = {};
  if (!SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID, nullptr,
                                         reinterpret_cast<BYTE*>(ids), sizeof ids - 2, nullptr))
    return false;
  for (const char* id = ids; *id != '\0'; id += strlen(id) + 1)
    if (lstrcmpiA(id, hardwareId) == 0) return true;
  return false;
}

// Calls ACT on each device with the ID; returns how many there were.
static int EachDevice(const char* hardwareId, bool (*act)(HDEVINFO, SP_DEVINFO_DATA*)) {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  SP_DEVINFO_DATA device = {sizeof device, {}, 0, 0};
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i)
    if (HasId(set, &device, hardwareId) && (act == nullptr || act(set, &device))) ++count;
  SetupDiDestroyDeviceInfoList(set);
  return count;
}

int CountDevices(const char* hardwareId) { return EachDevice(hardwareId, nullptr); }

static bool HasDriver(HDEVINFO set, SP_DEVINFO_DATA* device) {
  char key[256];
  return SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_DRIVER, nullptr,
                                           reinterpret_cast<BYTE*>(key), sizeof key, nullptr) != 0;
}

bool DeviceHasDriver(const char* hardwareId) { return EachDevice(hardwareId, HasDriver) > 0; }

static bool Remove(HDEVINFO set, SP_DEVINFO_DATA* device) {
  return SetupDiCallClassInstaller(DIF_REMOVE, set, device) != 0;
}

int RemoveDevices(const char* hardwareId) { return EachDevice(hardwareId, Remove); }

bool CreateRootDevice(const char* hardwareId) {
  char ids[512] = {};
  int length = lstrlenA(hardwareId);
  if (length == 0 || length + 2 > static_cast<int>(sizeof ids)) return false;
  lstrcpyA(ids, hardwareId);
  HDEVINFO set = SetupDiCreateDeviceInfoList(&DEMO_CLASS, nullptr);
  if (set == INVALID_HANDLE_VALUE) return false;
  SP_DEVINFO_DATA device = {sizeof device, {}, 0, 0};
  bool made = SetupDiCreateDeviceInfoA(set, "DrvsetupSelftest", &DEMO_CLASS, nullptr, nullptr,
                                       DICD_GENERATE_ID, &device) &&
              SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                                reinterpret_cast<BYTE*>(ids), length + 2) &&
              SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device);
  SetupDiDestroyDeviceInfoList(set);
  return made;
}

static int CompareNames(const void* a, const void* b) {
  return lstrcmpiA(static_cast<const char*>(a), static_cast<const char*>(b));
}

void ListFolder(const char* folder, const char* pattern, char* out, int size) {
  typedef char Name[MAX_PATH];
  Name* names = static_cast<Name*>(malloc(4096 * sizeof(Name)));
  int count = 0;
  out[0] = '\0';
  if (names == nullptr) return;
  char search[MAX_PATH];
  snprintf(search, sizeof search, "%s\\%s", folder, pattern);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(search, &found);
  for (bool more = find != INVALID_HANDLE_VALUE; more && count < 4096; more = FindNextFileA(find, &found))
    lstrcpynA(names[count++], found.cFileName, MAX_PATH);
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  qsort(names, count, MAX_PATH, CompareNames);
  for (int i = 0, used = 0; i < count && used + MAX_PATH + 1 < size; ++i)
    used += snprintf(out + used, size - used, "%s\n", names[i]);
  free(names);
}

// The whole file in a buffer of our own; null when it cannot be read.
static char* ReadWhole(const char* path, DWORD* length) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  *length = GetFileSize(file, nullptr);
  char* data = *length < (16u << 20) ? static_cast<char*>(malloc(*length + 1)) : nullptr;
  DWORD read = 0;
  if (data != nullptr && (!ReadFile(file, data, *length, &read, nullptr) || read != *length)) {
    free(data);
    data = nullptr;
  }
  CloseHandle(file);
  return data;
}

bool FindStoreCopy(const char* infPath, char* name, int size) {
  DWORD length, otherLength;
  char* text = ReadWhole(infPath, &length);
  if (text == nullptr) return false;
  char folder[MAX_PATH], path[MAX_PATH];
  GetWindowsDirectoryA(folder, MAX_PATH);
  lstrcatA(folder, "\\INF");
  const int size_ = 1 << 18;
  char* names = static_cast<char*>(malloc(size_));
  if (names == nullptr) {
    free(text);
    return false;
  }
  ListFolder(folder, "*.inf", names, size_);  // Windows names it oemNN.inf, Wine keeps its name
  bool found = false;
  for (char* entry = strtok(names, "\n"); entry != nullptr && !found; entry = strtok(nullptr, "\n")) {
    snprintf(path, sizeof path, "%s\\%s", folder, entry);
    char* other = ReadWhole(path, &otherLength);
    found = other != nullptr && otherLength == length && memcmp(other, text, length) == 0;
    if (found) lstrcpynA(name, entry, size);
    free(other);
  }
  free(names);
  free(text);
  return found;
}

bool ForceRemoveStoreCopy(const char* infPath) {
  char name[MAX_PATH];
  for (int attempt = 0; attempt < 4 && FindStoreCopy(infPath, name, sizeof name); ++attempt)
    SetupUninstallOEMInfA(name, SUOI_FORCEDELETE, nullptr);
  return !FindStoreCopy(infPath, name, sizeof name);
}
