#include "remove_package.h"

#include <string.h>

#include "../diagnostics/diagnostic_log.h"
#include "newdev_api.h"
#include "package_store.h"
#include "setup_api.h"


// The INF folder as last listed: each full path, after a byte that is 1 when it holds the INF's text.
static char* listing;
static SIZE_T listingUsed, listingSize;

static const char* FileName(const char* path) {
  const char* slash = strrchr(path, '\\');
  return slash != nullptr ? slash + 1 : path;
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

static int SameText(HANDLE file, const LARGE_INTEGER& size, const WIN32_FIND_DATAA& entry, const char* path) {
  if (entry.nFileSizeLow != size.LowPart || entry.nFileSizeHigh != static_cast<DWORD>(size.HighPart)) return 0;
  HANDLE copy = OpenToRead(path);
  if (copy == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER start = {};
  int same = SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SameBytes(file, copy);
  CloseHandle(copy);
  return same;
}

static int Append(const char* path, int same) {
  SIZE_T need = listingUsed + 2 + lstrlenA(path);
  if (need > listingSize) {
    SIZE_T size = need * 2 > 65536 ? need * 2 : 65536;
    void* grown = listing == nullptr ? HeapAlloc(GetProcessHeap(), 0, size)
                                     : HeapReAlloc(GetProcessHeap(), 0, listing, size);
    if (grown == nullptr) return 0;
    listing = static_cast<char*>(grown);
    listingSize = size;
  }
  listing[listingUsed] = static_cast<char>(same);
  lstrcpyA(listing + listingUsed + 1, path);
  listingUsed = need;
  return 1;
}

static DWORD ListEntries(HANDLE file, const char* pattern, UINT folderLength) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) return GetLastError();
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern, &entry);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : GetLastError();
  char path[MAX_PATH];
  DWORD error = 0;
  do {
    if (folderLength + lstrlenA(entry.cFileName) >= MAX_PATH) continue;
    lstrcpynA(path, pattern, folderLength + 1);
    lstrcpyA(path + folderLength, entry.cFileName);
    if (!Append(path, SameText(file, size, entry, path))) error = ERROR_NOT_ENOUGH_MEMORY;
  } while (error == 0 && FindNextFileA(search, &entry));
  if (error == 0 && GetLastError() != ERROR_NO_MORE_FILES) error = GetLastError();
  FindClose(search);
  return error;
}

// Every INF of the system's INF folder, and which hold the source's very text: a published
// copy is the INF copied whole.
static unsigned long List(const char* source) {
  listingUsed = 0;
  static const char INF_FOLDER[] = "\\INF\\", ALL_INFS[] = "*.inf";
  const UINT folderLength = sizeof INF_FOLDER - 1, allLength = sizeof ALL_INFS - 1;
  char pattern[MAX_PATH];
  UINT length = GetWindowsDirectoryA(pattern, MAX_PATH);
  if (length == 0) return GetLastError();
  if (length + folderLength + allLength >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  lstrcpyA(pattern + length, INF_FOLDER);
  lstrcpyA(pattern + length + folderLength, ALL_INFS);
  HANDLE file = OpenToRead(source);
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = ListEntries(file, pattern, length + folderLength);
  CloseHandle(file);
  return error;
}

static const char* SameBytesCopy(int index) {
  for (SIZE_T at = 0; at < listingUsed; at += 2 + lstrlenA(listing + at + 1))
    if (listing[at] == 1 && index-- == 0) return listing + at + 1;
  return nullptr;
}

static int Listed(const char* path) {
  for (SIZE_T at = 0; at < listingUsed; at += 2 + lstrlenA(listing + at + 1))
    if (lstrcmpiA(FileName(listing + at + 1), FileName(path)) == 0) return 1;
  return 0;
}

// NOOVERWRITE fails on a copy that is there and names it; REPLACEONLY copies nothing new.
static StoreAnswer Ask(const char* fullInfPath, char* published, unsigned long* error) {
  BOOL copied = setupApi.copyOemInf(fullInfPath, nullptr, SPOST_NONE, SP_COPY_NOOVERWRITE | SP_COPY_REPLACEONLY, published,
                        STORE_PATH_SIZE, nullptr, nullptr);
  *error = GetLastError();
  if (copied) return STORE_COPIED;
  if (*error == ERROR_FILE_EXISTS) return STORE_PUBLISHED;
  if (*error == ERROR_FILE_NOT_FOUND || *error == ERROR_PATH_NOT_FOUND || *error == ERROR_NOT_FOUND)
    return STORE_ABSENT;
  return STORE_FAILED;
}

// Forced: the copy is new, so no device can use it. Its .pnf goes too, which Wine's forced
// SetupUninstallOEMInfA leaves behind.
static int UndoCopy(const char* published) {
  if (setupApi.uninstallOemInf == nullptr || !setupApi.uninstallOemInf(FileName(published), SUOI_FORCEDELETE, nullptr)) return 0;
  char pnf[MAX_PATH];
  int length = lstrlenA(published);
  if (length < 4 || length >= MAX_PATH || lstrcmpiA(published + length - 4, ".inf") != 0) return 1;
  lstrcpyA(pnf, published);
  lstrcpyA(pnf + length - 4, ".pnf");
  return GetFileAttributesA(pnf) == INVALID_FILE_ATTRIBUTES || DeleteFileA(pnf);
}

static int Uninstall(const char* published, int* rebootRequired) {
  OpenNewdevApi();
  auto uninstallDriver = newdevApi.uninstallDriver;
  BOOL result;
  if (uninstallDriver != nullptr) {
    LogRemovalCall("DiUninstallDriverA", published, 1);
    // Flags 0: DIURFLAG_NO_REMOVE_INF would keep the package in the store.
    result = uninstallDriver(nullptr, published, 0, reinterpret_cast<PBOOL>(rebootRequired));
  } else {
    LogRemovalCall(setupApi.uninstallOemInf != nullptr ? "SetupUninstallOEMInfA" : nullptr, FileName(published), 0);
    result = setupApi.uninstallOemInf != nullptr && setupApi.uninstallOemInf(FileName(published), 0, nullptr);  // no SUOI_FORCEDELETE
  }
  DWORD error = GetLastError();
  CloseNewdevApi();
  LogRemovalResult(result, error, uninstallDriver != nullptr ? rebootRequired : nullptr);
  if (result && uninstallDriver == nullptr) LogRemovalNoRestartReport();
  return result;
}

static int Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int RemoveDriverPackage(const char* fullInfPath, int* rebootRequired, int unattended) {
  *rebootRequired = 0;
  int done = 0;
  DWORD error = !OpenSetupApi() ? GetLastError() : setupApi.copyOemInf != nullptr ? 0 : ERROR_PROC_NOT_FOUND;
  if (error != 0) {
    LogRemovalFound(nullptr, error);
  } else {
    if (unattended && setupApi.setNonInteractiveMode != nullptr) setupApi.setNonInteractiveMode(TRUE);
    StoreAccess store = {List, SameBytesCopy, Listed, Ask, UndoCopy, Uninstall, Exists};
    done = RemoveFromStore(store, fullInfPath, rebootRequired);
  }
  CloseSetupApi();
  return done;
}
