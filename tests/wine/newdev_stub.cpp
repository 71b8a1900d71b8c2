// Stands in for the platform's newdev.dll in the test prefix: logs the five
// arguments it was called with, waits DRVSETUP_STUB_DELAY_MS, stores
// DRVSETUP_STUB_REBOOT (TRUE unless "0") as the restart report when given an
// address, and returns DRVSETUP_STUB_RESULT (TRUE unless "0"); on FALSE the
// last error is DRVSETUP_STUB_ERROR (hexadecimal) when set. Its DiUninstallDriverA, the
// removal of Windows 10 1703 and later, logs its four arguments alike and, on TRUE, deletes
// the INF it was given and its .pnf, as Windows takes a package out of the driver store. With
// DRVSETUP_STUB_STORE=1 a successful update copies the INF into the system's INF folder under
// its own name, with a .pnf, as Wine's update stages a package: the store's side of an install.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "record.h"

static DWORD EnvNumber(const char* name, DWORD fallback, int base = 10) {
  char value[32];
  return ReadEnv(name, value, sizeof value) ? strtoul(value, nullptr, base) : fallback;
}

// PATH with its extension replaced by pnf, into pnf; false when it does not fit.
static bool PnfOf(const char* path, char* pnf, size_t size) {
  size_t length = strlen(path);
  if (length <= 4 || length >= size) return false;
  memcpy(pnf, path, length + 1);
  memcpy(pnf + length - 3, "pnf", 3);
  return true;
}

static void Store(LPCSTR infPath) {
  char target[MAX_PATH], pnf[MAX_PATH];
  const char* name = strrchr(infPath, '\\') != nullptr ? strrchr(infPath, '\\') + 1 : infPath;
  UINT length = GetWindowsDirectoryA(target, MAX_PATH);
  if (length == 0 || length + 5 + strlen(name) >= MAX_PATH) return;
  snprintf(target + length, MAX_PATH - length, "\\inf\\%s", name);
  CopyFileA(infPath, target, FALSE);
  if (PnfOf(target, pnf, sizeof pnf)) CloseHandle(CreateFileA(pnf, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

extern "C" __declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(
    HWND owner, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL rebootRequired) {
  char log[MAX_PATH], ownerText[32], flagsText[32];
  if (ReadEnv("DRVSETUP_STUB_LOG", log, sizeof log)) {
    snprintf(ownerText, sizeof ownerText, "%p", reinterpret_cast<void*>(owner));
    snprintf(flagsText, sizeof flagsText, "%lu", flags);
    const char* fields[] = {"call", ownerText, hardwareId, infPath, flagsText,
                            rebootRequired != nullptr ? "reboot" : "noreboot"};
    AppendRecord(log, fields, 6);
  }
  Sleep(EnvNumber("DRVSETUP_STUB_DELAY_MS", 0));
  if (rebootRequired != nullptr) *rebootRequired = EnvNumber("DRVSETUP_STUB_REBOOT", 1) != 0;
  BOOL result = EnvNumber("DRVSETUP_STUB_RESULT", 1) != 0;
  if (!result) SetLastError(EnvNumber("DRVSETUP_STUB_ERROR", GetLastError(), 16));
  if (result && EnvNumber("DRVSETUP_STUB_STORE", 0) == 1) Store(infPath);
  return result;
}

extern "C" __declspec(dllexport) BOOL WINAPI DiUninstallDriverA(HWND owner, LPCSTR infPath, DWORD flags,
                                                              PBOOL rebootRequired) {
  char log[MAX_PATH], ownerText[32], flagsText[32], pnf[MAX_PATH];
  if (ReadEnv("DRVSETUP_STUB_LOG", log, sizeof log)) {
    snprintf(ownerText, sizeof ownerText, "%p", reinterpret_cast<void*>(owner));
    snprintf(flagsText, sizeof flagsText, "%lu", flags);
    const char* fields[] = {"uninstall", ownerText, infPath, flagsText,
                            rebootRequired != nullptr ? "reboot" : "noreboot"};
    AppendRecord(log, fields, 5);
  }
  Sleep(EnvNumber("DRVSETUP_STUB_DELAY_MS", 0));
  if (rebootRequired != nullptr) *rebootRequired = EnvNumber("DRVSETUP_STUB_REBOOT", 1) != 0;
  BOOL result = EnvNumber("DRVSETUP_STUB_RESULT", 1) != 0;
  if (!result) {
    SetLastError(EnvNumber("DRVSETUP_STUB_ERROR", GetLastError(), 16));
    return FALSE;
  }
  if (PnfOf(infPath, pnf, sizeof pnf)) DeleteFileA(pnf);
  DeleteFileA(infPath);
  return TRUE;
}

