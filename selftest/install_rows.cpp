// A real install: a root-enumerated device of its own, the package installed on it with
// drvsetup.exe, removed with drvremove.exe, then the device removed, whatever failed on the way;
// last, the machine compared with what it was.
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../diagnostics/error_names.h"
#include "machine.h"
#include "selftest.h"
#include "watch.h"

#ifndef ERROR_DRIVER_STORE_ADD_FAILED  // Windows 8 and later; mingw-w64's headers lack it
#define ERROR_DRIVER_STORE_ADD_FAILED (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x247)
#endif

static char infFolder[MAX_PATH], driversFolder[MAX_PATH], packageCopy[MAX_PATH];
// The folders' listings, on the heap: a static buffer would be stored in the file.
static const int LISTING = 1 << 18;
static char *infBefore, *infAfter, *driversBefore, *driversAfter, *scratch;

// Copies every file beside the package's INF into the work folder's package\.
static bool CopyPackage() {
  char from[MAX_PATH], to[MAX_PATH], names[1 << 16];
  lstrcpyA(from, package);
  char* slash = strrchr(from, '\\');
  if (slash == nullptr) return false;
  *slash = '\0';
  snprintf(to, sizeof to, "%s\\package", work);
  if (!CreateDirectoryA(to, nullptr)) return false;
  ListFolder(from, "*", names, sizeof names);
  for (char* name = strtok(names, "\n"); name != nullptr; name = strtok(nullptr, "\n")) {
    char source[MAX_PATH], target[MAX_PATH];
    snprintf(source, sizeof source, "%s\\%s", from, name);
    snprintf(target, sizeof target, "%s\\%s", to, name);
    if (GetFileAttributesA(source) & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!CopyFileA(source, target, FALSE)) return false;
  }
  snprintf(packageCopy, sizeof packageCopy, "%s\\%s", to, slash + 1);
  return GetFileAttributesA(packageCopy) != INVALID_FILE_ATTRIBUTES;
}

// Runs PROGRAM unattended (noninteractive: no prompt can wait) with its log; returns the code.
static DWORD RunLogged(const char* program, const char* arguments, const char* log, char* ran, int size,
                       int* dialogs) {
  char app[MAX_PATH];
  snprintf(app, sizeof app, "%s\\%s.exe", programs, program);
  snprintf(ran, size, "%s.exe %s", program, arguments);
  static wchar_t wideApp[MAX_PATH], wideLine[4096];
  MultiByteToWideChar(CP_ACP, 0, app, -1, wideApp, MAX_PATH);
  MultiByteToWideChar(CP_ACP, 0, ran, -1, wideLine, 4096);
  DeleteFileA(log);
  SetEnvironmentVariableA("DRVSETUP_LOG", log);
  RunResult result;
  if (!MakeHiddenDesktop()) return STILL_ACTIVE;
  RunProgram(wideApp, wideLine, nullptr, true, 300000, &result);
  SetEnvironmentVariableA("DRVSETUP_LOG", nullptr);
  *dialogs = result.boxes + result.dialogs;
  return result.started ? result.exitCode : STILL_ACTIVE;
}

// The log's first hint line, in HINT ("" when it has none); true when it names the signature
// (signature, signer, unsigned, sign its catalog), as the hints for a refused package do.
static bool HintNamesSignature(const char* log, char* hint, int size) {
  hint[0] = '\0';
  FILE* file = fopen(log, "rb");
  if (file == nullptr) return false;
  char line[4096];
  while (hint[0] == '\0' && fgets(line, sizeof line, file) != nullptr)
    if (strncmp(line, "hint: ", 6) == 0) lstrcpynA(hint, line, size);
  fclose(file);
  hint[strcspn(hint, "\r\n")] = '\0';
  for (char* c = hint; *c != '\0'; ++c)
    if (_strnicmp(c, "sign", 4) == 0) return true;
  return false;
}

// With the unsigned demo package Windows refuses the install; Wine checks no signature.
static bool InstallRow() {
  char ran[4096], arguments[2048], log[MAX_PATH], got[2048], hint[1024], expected[1024];
  snprintf(arguments, sizeof arguments, "%s %s /s", packageCopy, hardwareId);
  snprintf(log, sizeof log, "%s\\install.log", work);
  int windows;
  DWORD code = RunLogged("drvsetup", arguments, log, ran, sizeof ran, &windows);
  bool driver = DeviceHasDriver(hardwareId), signature = HintNamesSignature(log, hint, sizeof hint);
  snprintf(got, sizeof got, "exit code %lu, %s, %s%s%s, %d windows", static_cast<unsigned long>(code),
           driver ? "a driver on the device" : "no driver on the device",
           hint[0] != '\0' ? "the log's hint [" : "no hint in the log", hint, hint[0] != '\0' ? "]" : "", windows);
  // Unattended, on a station with no screen: neither a box nor the dialog.
  if (onWine || packageGiven) {
    Row(code == 0 && driver && windows == 0, "install onto the device, unattended", ran,
        "exit code 0, a driver on the device, 0 windows", got);
  } else {
    // The hint the programs give for the usual refusal, from their own table.
    const ErrorName* storeAdd = FindErrorName(ERROR_DRIVER_STORE_ADD_FAILED);
    snprintf(expected, sizeof expected,
             "exit code 5, no driver on the device, a hint in the log that names the signature (as the "
             "driver store's refusal's does: [hint: %s]), 0 windows (sign the package to take the success road)",
             storeAdd != nullptr && storeAdd->hint != nullptr ? storeAdd->hint : "?");
    Row(code == 5 && !driver && signature && windows == 0, "install of the unsigned demo package: the trust refusal",
        ran, expected, got);
  }
  return code == 0;
}

static void RemovalRow(bool installed) {
  char ran[4096], arguments[2048], log[MAX_PATH], got[512], name[MAX_PATH];
  snprintf(arguments, sizeof arguments, "%s /s", packageCopy);
  snprintf(log, sizeof log, "%s\\removal.log", work);
  int windows;
  DWORD code = RunLogged("drvremove", arguments, log, ran, sizeof ran, &windows);
  bool left = FindStoreCopy(packageCopy, name, sizeof name);
  snprintf(got, sizeof got, "exit code %lu, %s%s, %d windows", static_cast<unsigned long>(code),
           left ? "a copy in the store: " : "no copy in the store", left ? name : "", windows);
  if (onWine && installed) {
    // Wine's SetupUninstallOEMInfA deletes nothing unless forced; the program says so.
    Row(code == 5 && left && windows == 0, "removal, unattended (Wine's own road: not removed, and said so)", ran,
        "exit code 5, the copy still in the store, 0 windows", got);
  } else {
    Row(code == 0 && !left && windows == 0, "removal, unattended", ran, "exit code 0, no copy in the store, 0 windows",
        got);
  }
}

// The files of one folder, then the folder; a file a program just closed may take a moment.
static void DeleteFolder(const char* folder) {
  char names[1 << 16], path[MAX_PATH];
  ListFolder(folder, "*", names, sizeof names);
  for (char* name = strtok(names, "\n"); name != nullptr; name = strtok(nullptr, "\n")) {
    snprintf(path, sizeof path, "%s\\%s", folder, name);
    if (GetFileAttributesA(path) & FILE_ATTRIBUTE_DIRECTORY) continue;
    for (int attempt = 0; attempt < 20 && !DeleteFileA(path); ++attempt) Sleep(100);
  }
  RemoveDirectoryA(folder);
}

static void DeleteWorkFolder() {
  char folder[MAX_PATH];
  static const char* const subfolders[] = {"planted", "package"};
  for (const char* sub : subfolders) {
    snprintf(folder, sizeof folder, "%s\\%s", work, sub);
    DeleteFolder(folder);
  }
  DeleteFolder(work);
}

// Whether NAME is one of LISTING's lines (file names: case does not count).
static bool Listed(const char* listing, const char* name) {
  size_t length = strlen(name);
  for (const char* line = listing; *line != '\0'; line = strchr(line, '\n') + 1)
    if (_strnicmp(line, name, length) == 0 && line[length] == '\n') return true;
  return false;
}

// The names of the files the package copies, '\n'-joined in OUT: the keys of its
// [SourceDisksFiles] sections, plain and decorated for each architecture, which must name every
// file it copies. (A CopyFiles line that renames its file would leave the copy under the new
// name: the drivers-folder row would then show it, and nothing else is deleted.)
static void PackageFiles(const char* inf, char* out, int size) {
  out[0] = '\0';
  HINF file = SetupOpenInfFileA(inf, nullptr, INF_STYLE_WIN4, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  static const char* const sections[] = {"SourceDisksFiles",       "SourceDisksFiles.x86",
                                         "SourceDisksFiles.amd64", "SourceDisksFiles.arm64",
                                         "SourceDisksFiles.arm",   "SourceDisksFiles.ia64"};
  int used = 0;
  for (const char* section : sections) {
    INFCONTEXT line;
    for (bool more = SetupFindFirstLineA(file, section, nullptr, &line); more; more = SetupFindNextLine(&line, &line)) {
      char name[MAX_PATH];
      if (!SetupGetStringFieldA(&line, 0, name, sizeof name, nullptr) || name[0] == '\0' || Listed(out, name)) continue;
      if (used + lstrlenA(name) + 2 > size) break;
      used += snprintf(out + used, size - used, "%s\n", name);
    }
  }
  SetupCloseInfFile(file);
}

// The package's files that were not in the drivers folder before the run: taken away with the
// rest. Nothing else there is deleted, whoever put it there.
static void RemoveNewDrivers(char* packageFiles) {
  for (char* name = strtok(packageFiles, "\n"); name != nullptr; name = strtok(nullptr, "\n")) {
    if (Listed(driversBefore, name)) continue;
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s", driversFolder, name);
    DeleteFileA(path);
  }
}

// Another installer at work during the run: a file of its own, of an unrelated name, dropped
// into the drivers folder before the cleanup; false when it could not be made.
static bool DropOthersFile(char* path, int size) {
  char name[64];
  snprintf(name, sizeof name, "another-installer-%lu.sys", GetCurrentProcessId());
  snprintf(path, size, "%s\\%s", driversFolder, name);
  if (Listed(driversBefore, name)) return false;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written;
  bool made = WriteFile(file, "not the self-test's\r\n", 21, &written, nullptr) && written == 21;
  CloseHandle(file);
  return made;
}

// Any copy of the package left in the store, forced out, with the .pnf Wine leaves beside it.
static void RemoveStoreCopy() {
  char name[MAX_PATH], path[MAX_PATH];
  if (!FindStoreCopy(packageCopy, name, sizeof name)) return;
  ForceRemoveStoreCopy(packageCopy);
  lstrcpyA(strrchr(name, '.'), ".pnf");
  snprintf(path, sizeof path, "%s\\%s", infFolder, name);
  if (!Listed(infBefore, name)) DeleteFileA(path);
}

// For listings, what changed: "+name" appeared, "-name" went.
static void Differences(const char* before, const char* after, char* out, int size) {
  int used = snprintf(out, size, "changed:");
  const char* sides[2][2] = {{after, before}, {before, after}};
  for (int side = 0; side < 2; ++side)
    for (const char* line = sides[side][0]; *line != '\0' && used < size - MAX_PATH - 8; line = strchr(line, '\n') + 1) {
      char name[MAX_PATH];
      lstrcpynA(name, line, static_cast<int>(strchr(line, '\n') - line) + 1);
      if (!Listed(sides[side][1], name)) used += snprintf(out + used, size - used, " %c%s", side == 0 ? '+' : '-', name);
    }
}

static void AsItWas(const char* what, const char* before, const char* after) {
  bool same = strcmp(before, after) == 0;
  char got[4096] = "the same";
  if (!same && strchr(before, '\n') != nullptr) Differences(before, after, got, sizeof got);
  else if (!same) snprintf(got, sizeof got, "changed: %s, was %s", after, before);
  Row(same, what, "a comparison with before the self-test", "the same", got);
}

void RunInstallRows() {
  char** listings[] = {&infBefore, &infAfter, &driversBefore, &driversAfter, &scratch};
  for (char** listing : listings) {
    *listing = static_cast<char*>(calloc(LISTING, 1));
    if (*listing == nullptr) return Row(false, "memory", "the self-test", "its listings", "out of memory");
  }
  GetWindowsDirectoryA(infFolder, MAX_PATH);
  lstrcpyA(driversFolder, infFolder);
  lstrcatA(infFolder, "\\INF");
  lstrcatA(driversFolder, "\\System32\\drivers");
  int devicesBefore = CountDevices(hardwareId);
  ListFolder(infFolder, "*", infBefore, LISTING);
  ListFolder(driversFolder, "*", driversBefore, LISTING);
  char stored[MAX_PATH];
  bool storedBefore = FindStoreCopy(package, stored, sizeof stored);
  if (underWow64 && !onWine) {
    // The WOW64 row covers it: the update refuses a 32-bit caller on 64-bit Windows.
    Skip("install and removal", "the x86 build installs nothing on 64-bit Windows: the x64 or arm64 self-test runs these rows");
  } else if (devicesBefore > 0 || storedBefore) {
    Skip("install and removal", storedBefore ? "this package is in the driver store already: the self-test takes away only what it put there"
                                             : "a device with this hardware ID is already there: the self-test needs one of its own");
  } else if (!CopyPackage()) {
    Row(false, "the package", package, "its INF and the files beside it copied", "could not be read or copied");
  } else {
    bool made = CreateRootDevice(hardwareId);
    Row(made, "a root-enumerated device of its own", hardwareId, "made", made ? "made" : "not made");
    if (made) RemovalRow(InstallRow());
  }
  char others[MAX_PATH];
  bool dropped = DropOthersFile(others, sizeof others);
  // Whatever failed on the way: the device, any copy of the package, its files, our folder.
  char* packageFiles = scratch;
  PackageFiles(package, packageFiles, LISTING);
  if (devicesBefore == 0) RemoveDevices(hardwareId);
  if (packageCopy[0] != '\0' && !storedBefore) RemoveStoreCopy();
  RemoveNewDrivers(packageFiles);
  DeleteWorkFolder();
  // The cleanup takes away only what the self-test put there: the other installer's file stays.
  // The self-test then deletes that one file, which it made itself.
  bool survived = dropped && GetFileAttributesA(others) != INVALID_FILE_ATTRIBUTES;
  bool deleted = survived && DeleteFileA(others);
  Row(survived && deleted, "another installer's file in the drivers folder survives the cleanup", others,
      "dropped there before the cleanup (as another installer would), still there after it; then deleted by "
      "the self-test, which made it",
      !dropped    ? "could not be dropped there"
      : !survived ? "deleted by the cleanup"
      : deleted   ? "still there after the cleanup; then deleted by the self-test"
                  : "still there after the cleanup, and the self-test could not delete it");
  char count[2][32];
  snprintf(count[0], sizeof count[0], "%d", devicesBefore);
  snprintf(count[1], sizeof count[1], "%d", CountDevices(hardwareId));
  AsItWas("left as it was: devices with the hardware ID", count[0], count[1]);
  ListFolder(infFolder, "*", infAfter, LISTING);
  AsItWas("left as it was: the driver store's INF folder", infBefore, infAfter);
  ListFolder(driversFolder, "*", driversAfter, LISTING);
  AsItWas("left as it was: the drivers folder", driversBefore, driversAfter);
  bool gone = GetFileAttributesA(work) == INVALID_FILE_ATTRIBUTES;
  Row(gone, "left as it was: the work folder", work, "gone", gone ? "gone" : "still there");
}
