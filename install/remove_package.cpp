#include "remove_package.h"

#include <windows.h>
#include <setupapi.h>
#include <string.h>

#include "../diagnostics/diagnostic_log.h"
#include "system_library.h"

typedef BOOL(WINAPI* SetupCopyOEMInfAFn)(LPCSTR source, LPCSTR mediaLocation, DWORD mediaType,
                                         DWORD copyStyle, LPSTR destination, DWORD destinationSize,
                                         PDWORD requiredSize, LPSTR* destinationComponent);
typedef BOOL(WINAPI* SetupUninstallOEMInfAFn)(LPCSTR publishedName, DWORD flags, PVOID reserved);
typedef BOOL(WINAPI* SetupSetNonInteractiveModeFn)(BOOL nonInteractive);
// Windows 10 1703 and later: moves the devices to their next best driver, then deletes the package.
typedef BOOL(WINAPI* DiUninstallDriverAFn)(HWND owner, LPCSTR infPath, DWORD flags, PBOOL rebootRequired);

enum Search { FOUND, NONE, SEARCH_FAILED };

static void* Find(HMODULE library, const char* name) {
  return library != nullptr ? reinterpret_cast<void*>(GetProcAddress(library, name)) : nullptr;
}

static const DWORD CHUNK = 4096;

// 1 when the two open files hold the same bytes.
static int SameBytes(HANDLE a, HANDLE b) {
  char one[CHUNK], other[CHUNK];
  DWORD readOne, readOther;
  do {
    if (!ReadFile(a, one, CHUNK, &readOne, nullptr) || !ReadFile(b, other, CHUNK, &readOther, nullptr) ||
        readOne != readOther || memcmp(one, other, readOne) != 0)
      return 0;
  } while (readOne == CHUNK);
  return 1;
}

static HANDLE OpenToRead(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

// 1 when an INF of the system's INF folder holds the source's very text: a published copy
// is the INF copied whole. Asked first, because Wine's SetupCopyOEMInfA copies an absent
// package in spite of SP_COPY_REPLACEONLY.
static int CopyInInfFolder(const char* source) {
  char pattern[MAX_PATH], path[MAX_PATH];
  UINT length = GetWindowsDirectoryA(pattern, MAX_PATH);
  if (length == 0 || length + 11 >= MAX_PATH) return 1;  // cannot tell: let the set-up API say
  lstrcpyA(pattern + length, "\\INF\\*.inf");
  HANDLE file = OpenToRead(source);
  if (file == INVALID_HANDLE_VALUE) return 1;
  LARGE_INTEGER size;
  WIN32_FIND_DATAA entry;
  HANDLE search = GetFileSizeEx(file, &size) ? FindFirstFileA(pattern, &entry) : INVALID_HANDLE_VALUE;
  int same = search == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND;
  for (BOOL more = search != INVALID_HANDLE_VALUE; more && !same; more = FindNextFileA(search, &entry)) {
    if (entry.nFileSizeLow != size.LowPart || entry.nFileSizeHigh != static_cast<DWORD>(size.HighPart) ||
        length + 5 + lstrlenA(entry.cFileName) >= MAX_PATH)
      continue;
    lstrcpyA(path, pattern);
    lstrcpyA(path + length + 5, entry.cFileName);
    HANDLE copy = OpenToRead(path);
    if (copy == INVALID_HANDLE_VALUE) continue;
    LARGE_INTEGER start = {};
    SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
    same = SameBytes(file, copy);
    CloseHandle(copy);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  CloseHandle(file);
  return same;
}

// The published copy of the package, into published; the store is left as it was:
// NOOVERWRITE fails on a copy that is there and names it, REPLACEONLY copies nothing new.
static Search FindPublished(SetupCopyOEMInfAFn copy, const char* fullInfPath, char* published) {
  LogRemovalSearch(fullInfPath);
  if (!CopyInInfFolder(fullInfPath)) {
    LogRemovalFound(nullptr, 0);
    return NONE;
  }
  BOOL copied = copy(fullInfPath, nullptr, SPOST_NONE, SP_COPY_NOOVERWRITE | SP_COPY_REPLACEONLY,
                     published, MAX_PATH, nullptr, nullptr);
  DWORD error = GetLastError();
  if (copied || error == ERROR_FILE_EXISTS) {
    LogRemovalFound(published, 0);
    return FOUND;
  }
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NOT_FOUND) {
    LogRemovalFound(nullptr, 0);
    return NONE;
  }
  LogRemovalFound(nullptr, error);
  return SEARCH_FAILED;
}

static BOOL Uninstall(HMODULE setupapi, const char* published, const char* name, int* rebootRequired) {
  HMODULE newdev = LoadSystemLibrary("newdev.dll");
  DiUninstallDriverAFn uninstallDriver = reinterpret_cast<DiUninstallDriverAFn>(Find(newdev, "DiUninstallDriverA"));
  BOOL result;
  if (uninstallDriver != nullptr) {
    LogRemovalCall("DiUninstallDriverA", published, rebootRequired != nullptr);
    result = uninstallDriver(nullptr, published, 0, reinterpret_cast<PBOOL>(rebootRequired));
  } else {
    SetupUninstallOEMInfAFn uninstall =
        reinterpret_cast<SetupUninstallOEMInfAFn>(Find(setupapi, "SetupUninstallOEMInfA"));
    LogRemovalCall(uninstall != nullptr ? "SetupUninstallOEMInfA" : nullptr, name, 0);
    result = uninstall != nullptr && uninstall(name, 0, nullptr);  // no SUOI_FORCEDELETE
    if (rebootRequired != nullptr) *rebootRequired = 0;  // it reports none
  }
  DWORD error = GetLastError();
  if (newdev != nullptr) FreeLibrary(newdev);
  LogRemovalResult(result, error, uninstallDriver != nullptr ? rebootRequired : nullptr);
  return result;
}

int RemoveDriverPackage(const char* fullInfPath, int* rebootRequired, int unattended) {
  HMODULE setupapi = LoadSystemLibrary("setupapi.dll");
  SetupCopyOEMInfAFn copy = reinterpret_cast<SetupCopyOEMInfAFn>(Find(setupapi, "SetupCopyOEMInfA"));
  if (copy == nullptr) {
    LogRemovalFound(nullptr, GetLastError());
    if (setupapi != nullptr) FreeLibrary(setupapi);
    return 0;
  }
  SetupSetNonInteractiveModeFn quiet =
      reinterpret_cast<SetupSetNonInteractiveModeFn>(Find(setupapi, "SetupSetNonInteractiveMode"));
  if (unattended && quiet != nullptr) quiet(TRUE);
  char published[MAX_PATH] = "";
  Search found = FindPublished(copy, fullInfPath, published);
  const char* name = strrchr(published, '\\') != nullptr ? strrchr(published, '\\') + 1 : published;
  int done = found == NONE || (found == FOUND && Uninstall(setupapi, published, name, rebootRequired));
  // A call may say TRUE and leave the package (Wine's SetupUninstallOEMInfA deletes only when
  // forced): the store itself tells.
  if (done && found == FOUND && GetFileAttributesA(published) != INVALID_FILE_ATTRIBUTES) {
    LogRemovalLeft(published);
    done = 0;
  }
  FreeLibrary(setupapi);
  return done;
}
