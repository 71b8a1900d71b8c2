// Runs drvsetup.exe's and drvremove.exe's contract on this machine, one row each, elevated:
//   selftest.exe [<INF> <hardware ID>]
// It tests the programs of its own build in the release's <arch>\ folder, with the demo
// package of selftest\demo unless a package is named. Every row is printed and written to
// selftest-report.txt beside it; exit 0 only when every row passed. Whatever it installs or
// creates it takes away again, and the last rows say whether the machine is as it was.
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "../common/platform.h"
#include "../common/platform_win.h"
#include "../common/unattended.h"
#include "selftest.h"

char work[MAX_PATH], programs[MAX_PATH], package[MAX_PATH], hardwareId[256];
bool onWine, packageGiven, underWow64, unattendedHere;
// RunIsUnattended reads only these two; the self-test fills them with the programs' own calls.
// No log is started, so nothing is written.
Platform platform;
static int passed, failed, skipped;
static FILE* report;

void Say(const char* format, ...) {
  char line[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  fputs(line, stdout);
  if (report != nullptr) fputs(line, report);
}

// One row: what ran, what was expected, what came back.
void Row(bool ok, const char* name, const char* ran, const char* expected, const char* got) {
  ok ? ++passed : ++failed;
  Say("%s  %s\n      ran: %s\n      expected: %s\n      got: %s\n", ok ? "PASS" : "FAIL", name, ran,
      expected, got);
}

void Skip(const char* name, const char* why) {
  ++skipped;
  Say("SKIP  %s: %s\n", name, why);
}

// "{w}" in a format stands for the work folder, "{i}" for its x.inf.
void Expand(const char* format, char* out, int size) {
  int used = 0;
  for (const char* p = format; *p != '\0' && used < size - MAX_PATH - 1; ++p) {
    if (p[0] == '{' && (p[1] == 'w' || p[1] == 'i') && p[2] == '}') {
      used += snprintf(out + used, size - used, p[1] == 'w' ? "%s" : "%s\\x.inf", work);
      p += 2;
    } else {
      out[used++] = *p;
    }
  }
  out[used] = '\0';
}

bool FileHasLine(const char* path, const char* start) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  char line[4096];
  bool found = false;
  while (!found && fgets(line, sizeof line, file) != nullptr) found = strstr(line, start) == line;
  fclose(file);
  return found;
}

static bool IsElevated() {
  HANDLE token;
  TOKEN_ELEVATION elevation = {};
  DWORD size;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                  elevation.TokenIsElevated;
  CloseHandle(token);
  return elevated;
}

// The folders: ours is selftest\<arch>\ of the release; the programs are in <arch>\.
static void FindFolders(char* own) {
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  *strrchr(own, '\\') = '\0';
  snprintf(programs, sizeof programs, "%s\\..\\..\\" BUILD, own);
  snprintf(package, sizeof package, "%s\\..\\demo\\drvsetup-demo.inf", own);
  char drive[MAX_PATH];
  GetEnvironmentVariableA("SystemDrive", drive, sizeof drive);
  // No blank in it: the programs split their line at blanks.
  snprintf(work, sizeof work, "%s\\drvsetup-selftest-%lu", drive, GetCurrentProcessId());
}

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  char own[MAX_PATH], reportPath[MAX_PATH];
  FindFolders(own);
  snprintf(reportPath, sizeof reportPath, "%s\\selftest-report.txt", own);
  report = fopen(reportPath, "wb");
  if (report == nullptr) {  // a read-only folder: the work folder's drive instead
    snprintf(reportPath, sizeof reportPath, "%s-report.txt", work);
    report = fopen(reportPath, "wb");
  }
  lstrcpyA(hardwareId, "ROOT\\DRVSETUPDEMO");
  if (argc == 3) {
    GetFullPathNameA(argv[1], MAX_PATH, package, nullptr);
    lstrcpynA(hardwareId, argv[2], sizeof hardwareId);
    packageGiven = true;
  } else if (argc != 1) {
    Say("usage: selftest.exe [<INF> <hardware ID>]\n");
    return 2;
  }
  onWine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  BOOL wow64 = FALSE;
  underWow64 = IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
  platform.windowStationVisible = WindowStationVisible;
  platform.sessionIds = SessionIds;
  unattendedHere = RunIsUnattended() != 0;
  Say("drvsetup self-test, %s build%s, on %s; programs in %s; package %s, hardware ID %s\n", BUILD,
      underWow64 ? " under WOW64" : "", onWine ? "Wine" : "Windows", programs, package, hardwareId);
  if (unattendedHere)
    Say("Nobody can see a window of this run (a window station without a screen, or session 0): the "
        "programs show no box here, and the rows that expect one expect none\n");
  if (!IsElevated()) {
    Row(false, "elevated", "the self-test", "an elevated run (Run as administrator)", "not elevated");
  } else {
    RunTableRows();
    RunInstallRows();
  }
  Say("%d passed, %d failed, %d skipped; report: %s\n", passed, failed, skipped, reportPath);
  if (report != nullptr) fclose(report);
  return failed == 0 && passed > 0 ? 0 : 1;
}
