#pragma once
#include <windows.h>
#include <setupapi.h>

// setupapi.dll's calls that the programs use, bound at run time from the system directory so
// that a program starts where one is missing. A member is null where this Windows lacks it.
struct SetupApi {
  // INF files.
  HINF(WINAPI* openInf)(PCSTR name, PCSTR infClass, DWORD style, PUINT errorLine);
  void(WINAPI* closeInf)(HINF inf);
  BOOL(WINAPI* findFirstLine)(HINF inf, PCSTR section, PCSTR key, PINFCONTEXT context);
  BOOL(WINAPI* findNextLine)(PINFCONTEXT in, PINFCONTEXT out);
  DWORD(WINAPI* fieldCount)(PINFCONTEXT context);
  BOOL(WINAPI* stringField)(PINFCONTEXT context, DWORD index, PSTR text, DWORD size, PDWORD needed);
  // Windows XP and later; Wine 8 lacks it.
  BOOL(WINAPI* actualModelsSection)(PINFCONTEXT context, PSP_ALTPLATFORM_INFO platform, PSTR section,
                                    DWORD size, PDWORD needed, PVOID reserved);
  // The driver store.
  BOOL(WINAPI* copyOemInf)(PCSTR source, PCSTR mediaLocation, DWORD mediaType, DWORD copyStyle,
                           PSTR destination, DWORD destinationSize, PDWORD requiredSize,
                           PSTR* destinationComponent);
  BOOL(WINAPI* uninstallOemInf)(PCSTR publishedName, DWORD flags, PVOID reserved);
  BOOL(WINAPI* setNonInteractiveMode)(BOOL nonInteractive);
  // Devices.
  HDEVINFO(WINAPI* classDevs)(const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags);
  BOOL(WINAPI* enumDevice)(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device);
  BOOL(WINAPI* deviceProperty)(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD property, PDWORD type,
                               PBYTE buffer, DWORD size, PDWORD needed);
  BOOL(WINAPI* instanceId)(HDEVINFO set, PSP_DEVINFO_DATA device, PSTR id, DWORD size, PDWORD needed);
  BOOL(WINAPI* destroyList)(HDEVINFO set);
  // Also exported by setupapi.dll, for the programs written before cfgmgr32.dll.
  DWORD(WINAPI* devNodeStatus)(PULONG status, PULONG problem, DWORD devInst, ULONG flags);
};

extern SetupApi setupApi;

// Loads setupapi.dll and binds setupApi; 0 when the library cannot be loaded (the last error
// tells why). Each successful open is matched by one CloseSetupApi.
int OpenSetupApi();
void CloseSetupApi();
