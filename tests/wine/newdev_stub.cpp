// Stands in for the platform's newdev.dll in the test prefix: logs the five
// arguments it was called with, waits DRVSETUP_STUB_DELAY_MS, stores
// DRVSETUP_STUB_REBOOT (TRUE unless "0") as the restart report when given an
// address, and returns DRVSETUP_STUB_RESULT (TRUE unless "0"); on FALSE the
// last error is DRVSETUP_STUB_ERROR (hexadecimal) when set. Its DiUninstallDriverA, the
// removal of Windows 10 1703 and later, logs its four arguments alike and, on TRUE, deletes
// the INF it was given and its .pnf, as Windows takes a package out of the driver store.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "record.h"

static DWORD EnvNumber(const char* name, DWORD fallback, int base = 10) {
  char value[32];
  return ReadEnv(name, value, sizeof value) ? strtoul(value, nullptr, base) : fallback;
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
  size_t length = strlen(infPath);
  if (length > 4 && length < sizeof pnf) {
    memcpy(pnf, infPath, length + 1);
    memcpy(pnf + length - 3, "pnf", 3);
    DeleteFileA(pnf);
  }
  DeleteFileA(infPath);
  return TRUE;
}
