#pragma once
#include <windows.h>

// newdev.dll's calls that the programs use, bound at run time from the system directory so that
// a program starts where one is missing. A member is null where this Windows lacks it.
struct NewdevApi {
  BOOL(WINAPI* updateDriver)(HWND owner, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL rebootRequired);
  // Windows 10 1703 and later: moves the devices to their next best driver, then deletes the package.
  BOOL(WINAPI* uninstallDriver)(HWND owner, LPCSTR infPath, DWORD flags, PBOOL rebootRequired);
};

extern NewdevApi newdevApi;

// Loads newdev.dll and binds newdevApi; null when it cannot be loaded (the last error tells
// why), else the file loaded, for the log. Each successful open is matched by one CloseNewdevApi.
const char* OpenNewdevApi();
void CloseNewdevApi();
