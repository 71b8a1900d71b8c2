// The rows that install nothing: each program started with an exact line, its exit code,
// its box (text, caption and icon, read from the window, then closed) or none, its log.
#include <stdio.h>
#include <string.h>

#include "../app/messages.h"
#include "../app/setup_table.h"
#include "../remove/removal_table.h"
#include "machine.h"
#include "selftest.h"
#include "watch.h"

enum Box { NO_BOX, USAGE_BOX, MISSING_BOX, PATH_BOX };

struct LineRow {
  const char* name;
  const char* program;  // drvsetup or drvremove, run from the programs' folder ("planted": a copy)
  const char* line;     // UTF-8; {w} the work folder, {i} its x.inf
  const char* env;      // NAME=value, or null
  bool hidden;          // on a window station of its own, which has no screen
  DWORD exitCode;
  DWORD wineExitCode;   // where Wine differs: its update says success for an ID no device has
  Box box;
  const char* pathInBox;  // for PATH_BOX
  const char* logLine;    // with DRVSETUP_LOG set: a line that starts so must be in the log
};

// An ID no device has: Windows' update fails with ERROR_NO_SUCH_DEVINST (0xE000020B).
#define NOSUCH "NOSUCH\\DRVSETUP-SELFTEST"
static const LineRow rows[] = {
    {"program name and trailing blanks", "drvsetup", "drvsetup.exe  \t ", nullptr, false, 1, 1, USAGE_BOX, nullptr,
     nullptr},
    {"upper-case switch alone", "drvsetup", "drvsetup.exe /S", nullptr, false, 3, 3, MISSING_BOX, nullptr, nullptr},
    {"trailing blank after the switch", "drvsetup", "drvsetup.exe {i} ID /s ", nullptr, false, 5, 5, NO_BOX, nullptr,
     nullptr},
    {"words after the switch", "drvsetup", "drvsetup.exe {i} ID /s now", nullptr, false, 5, 5, NO_BOX, nullptr, nullptr},
    {"missing INF", "drvsetup", "drvsetup.exe {w}\\missing.inf ID", nullptr, false, 6, 6, PATH_BOX,
     "{w}\\missing.inf", nullptr},
    {"look-alike in the hardware ID (wide line)", "drvsetup", "drvsetup.exe {i} HW\xc4\x80\\1", nullptr, false, 5, 5,
     NO_BOX, nullptr, nullptr},
    {"fullwidth switch (wide line)", "drvsetup", "drvsetup.exe {i} ID \xef\xbc\x8f\xef\xbd\x93", nullptr, false, 5, 5,
     NO_BOX, nullptr, nullptr},
    {"log: missing INF, silent", "drvsetup", "drvsetup.exe {w}\\missing.inf ID /s", nullptr, false, 6, 6, PATH_BOX,
     "{w}\\missing.inf", "exit code 6: the INF file cannot be opened"},
    {"restart code never replaces the table's codes", "drvsetup", "drvsetup.exe {w}\\missing.inf ID /s",
     "DRVSETUP_RESTART_EXIT_CODE=3010", true, 6, 6, NO_BOX, nullptr, nullptr},
    {"no-device code 5 refused (one of the program's own)", "drvsetup", "drvsetup.exe {i} " NOSUCH,
     "DRVSETUP_NO_DEVICE_EXIT_CODE=5", true, 5, 0, NO_BOX, nullptr, nullptr},
    {"no-device code 3011, an ID the INF does not offer: nothing staged", "drvsetup", "drvsetup.exe {i} " NOSUCH,
     "DRVSETUP_NO_DEVICE_EXIT_CODE=3011", true, 5, 0, NO_BOX, nullptr, nullptr},
    {"unattended: program name only", "drvsetup", "drvsetup.exe", nullptr, true, 1, 1, NO_BOX, nullptr, nullptr},
    {"unattended: missing INF", "drvsetup", "drvsetup.exe {w}\\missing.inf ID", nullptr, true, 6, 6, NO_BOX, nullptr,
     "path error box not shown: nobody can see it"},
    {"libraries planted beside a copy of the program", "planted", "drvsetup.exe {i} " NOSUCH " /s", nullptr, true, 5,
     0, NO_BOX, nullptr, nullptr},
    {"drvremove: missing INF", "drvremove", "drvremove.exe {w}\\missing.inf", nullptr, false, 6, 6, NO_BOX, nullptr,
     nullptr},
    {"drvremove: an INF never installed", "drvremove", "drvremove.exe {w}\\other.inf /s", nullptr, true, 0, 0, NO_BOX,
     nullptr, "removal: no copy of this package is in the driver store"},
};

static const char* const boxNames[] = {"no box", "the usage box", "the missing-argument box", "the path box"};

static bool BoxMatches(const LineRow& row, Box box, const RunResult& got, char* expected, int size) {
  char path[MAX_PATH * 2] = "";
  if (box == PATH_BOX) Expand(row.pathInBox, path, sizeof path);
  char text[4096];
  const char* caption = PARAMETERS_CAPTION;
  const char* icon = "information";
  if (box == USAGE_BOX) lstrcpyA(text, USAGE_TEXT);
  if (box == MISSING_BOX) lstrcpyA(text, MISSING_ARGUMENT_TEXT);
  if (box == PATH_BOX) {
    snprintf(text, sizeof text, PATH_ERROR_PREFIX "%s" PATH_ERROR_SUFFIX, path);
    caption = nullptr;  // the system's own "Error", in its language
    icon = "error";
  }
  if (box == NO_BOX) {
    snprintf(expected, size, "no box");
    return got.boxes == 0;
  }
  snprintf(expected, size, "%s [%s], caption [%s], icon %s", boxNames[box], text,
           caption != nullptr ? caption : "(the system's default)", icon);
  bool iconOk = strcmp(got.boxIcon, icon) == 0;
  return got.boxes == 1 && strcmp(got.boxText, text) == 0 && iconOk &&
         (caption == nullptr || strcmp(got.boxCaption, caption) == 0);
}

// Sets or clears the row's variables for the program it starts.
static void Environment(const LineRow& row, const char* log, bool set) {
  char name[64];
  if (row.env != nullptr) {
    const char* equals = strchr(row.env, '=');
    lstrcpynA(name, row.env, static_cast<int>(equals - row.env) + 1);
    SetEnvironmentVariableA(name, set ? equals + 1 : nullptr);
  }
  SetEnvironmentVariableA("DRVSETUP_LOG", set && row.logLine != nullptr ? log : nullptr);
}

static bool PlantedLoaded(char* which, int size) {
  char folder[MAX_PATH], names[4096];
  snprintf(folder, sizeof folder, "%s\\planted", work);
  ListFolder(folder, "*.loaded", names, sizeof names);
  lstrcpynA(which, names, size);
  return names[0] != '\0';
}

static void RunTableRow(const LineRow& row) {
  if (row.hidden && !MakeHiddenDesktop()) {
    Skip(row.name, "no window station of its own could be made");
    return;
  }
  char line[2048], app[MAX_PATH], log[MAX_PATH], expected[8192], got[8192];
  Expand(row.line, line, sizeof line);
  // Where nobody can see a box, the programs rightly show none: the row expects the same code
  // and no box, and says so.
  Box box = row.box;
  char name[256];
  lstrcpynA(name, row.name, sizeof name);
  if (unattendedHere && !row.hidden && box != NO_BOX) {
    box = NO_BOX;
    snprintf(name, sizeof name, "%s (unattended here: nobody can see a box)", row.name);
  }
  bool planted = strcmp(row.program, "planted") == 0;
  if (planted) snprintf(app, sizeof app, "%s\\planted\\drvsetup.exe", work);
  else snprintf(app, sizeof app, "%s\\%s.exe", programs, row.program);
  snprintf(log, sizeof log, "%s\\row.log", work);
  DeleteFileA(log);
  static wchar_t wideLine[2048], wideApp[MAX_PATH], wideWork[MAX_PATH];
  MultiByteToWideChar(CP_UTF8, 0, line, -1, wideLine, 2048);
  MultiByteToWideChar(CP_ACP, 0, app, -1, wideApp, MAX_PATH);
  MultiByteToWideChar(CP_ACP, 0, work, -1, wideWork, MAX_PATH);
  Environment(row, log, true);
  RunResult result;
  RunProgram(wideApp, wideLine, wideWork, row.hidden, 60000, &result);
  Environment(row, log, false);
  DWORD exitCode = onWine ? row.wineExitCode : row.exitCode;
  bool boxOk = BoxMatches(row, box, result, expected + snprintf(expected, 64, "exit code %lu, ",
                                                            static_cast<unsigned long>(exitCode)),
                          sizeof expected - 64);
  int used = snprintf(got, sizeof got, "exit code %lu, ", static_cast<unsigned long>(result.exitCode));
  if (!result.started) snprintf(got, sizeof got, "not started, error %lu", GetLastError());
  else if (result.boxes == 0) snprintf(got + used, sizeof got - used, "no box");
  else snprintf(got + used, sizeof got - used, "%d box(es), the first [%s], caption [%s], icon %s", result.boxes,
                result.boxText, result.boxCaption, result.boxIcon);
  // Nothing here installs: no row shows the progress dialog.
  bool ok = result.started && result.exitCode == exitCode && boxOk && result.dialogs == 0;
  lstrcatA(expected, ", no progress dialog");
  if (result.dialogs > 0) lstrcatA(got, ", a progress dialog");
  if (row.logLine != nullptr) {
    bool logged = FileHasLine(log, row.logLine);
    ok = ok && logged;
    snprintf(expected + strlen(expected), 512, "; the log has [%s]", row.logLine);
    snprintf(got + strlen(got), 512, logged ? "; the log has it" : "; the log lacks it");
  }
  char loaded[512];
  if (planted && PlantedLoaded(loaded, sizeof loaded)) {
    ok = false;
    snprintf(got + strlen(got), 1024, "; loaded from beside the copy: %s", loaded);
  }
  if (planted) lstrcatA(expected, "; nothing loaded from beside the copy");
  Row(ok, name, line, expected, got);
}

// The x86 build on 64-bit Windows: its store is not the one the system installs from.
static const LineRow wow64Row = {
    "WOW64: the x86 build refuses to stage on 64-bit Windows", "drvsetup", "drvsetup.exe {i} " NOSUCH,
    "DRVSETUP_NO_DEVICE_EXIT_CODE=3011", true, 5, 5, NO_BOX, nullptr,
    "staging: refused: a 32-bit program cannot stage drivers on 64-bit Windows: use the "};

static bool CopyInto(const char* from, const char* folder, const char* name) {
  char to[MAX_PATH];
  snprintf(to, sizeof to, "%s\\%s", folder, name);
  return CopyFileA(from, to, FALSE) != 0;
}

// The work folder: x.inf (the package's INF), other.inf (never installed), and a copy of
// drvsetup.exe with libraries planted beside it.
static bool MakeWorkFolder() {
  char planted[MAX_PATH], from[MAX_PATH], own[MAX_PATH];
  snprintf(planted, sizeof planted, "%s\\planted", work);
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  *strrchr(own, '\\') = '\0';
  snprintf(from, sizeof from, "%s\\drvsetup.exe", programs);
  bool made = CreateDirectoryA(work, nullptr) && CreateDirectoryA(planted, nullptr) &&
              CopyInto(package, work, "x.inf") && CopyInto(from, planted, "drvsetup.exe");
  snprintf(from, sizeof from, "%s\\planted.dll", own);
  static const char* const names[] = {"version.dll", "setupapi.dll", "newdev.dll"};
  for (const char* name : names) made = made && CopyInto(from, planted, name);
  char other[MAX_PATH];
  snprintf(other, sizeof other, "%s\\other.inf", work);
  FILE* file = fopen(other, "wb");
  made = made && file != nullptr && fputs("; never installed\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n", file) >= 0;
  if (file != nullptr) fclose(file);
  return made;
}

// Copies format into out with each "{i}" and "{h}" given (each shorter than 64 characters).
static void Fill(const char* format, const char* inf, const char* id, char* out, int size) {
  int used = 0;
  for (const char* p = format; *p != '\0' && used < size - 64; ++p) {
    if (p[0] == '{' && (p[1] == 'i' || p[1] == 'h') && p[2] == '}') {
      used += snprintf(out + used, size - used, "%s", p[1] == 'i' ? inf : id);
      p += 2;
    } else {
      out[used++] = *p;
    }
  }
  out[used] = '\0';
}

// Each row of a program's decision table, by its sample line, its road in the log. A row that goes
// on runs where nobody sees it: drvsetup.exe with the package and an ID no device has (Windows'
// update fails; Wine's says success), drvremove.exe with an INF never installed.
static void RunProgramTable(const char* program, const TableRow* table, int count) {
  static const Box boxes[] = {NO_BOX, USAGE_BOX, MISSING_BOX};
  bool setup = strcmp(program, "drvsetup") == 0;
  for (int i = 0; i < count; ++i) {
    const TableRow& row = table[i];
    char name[256], line[1024], road[256];
    snprintf(name, sizeof name, "%s table, row %d: %s", program, i, row.road);
    Fill(row.sample, setup ? "{i}" : "{w}\\other.inf", NOSUCH, line, sizeof line);
    snprintf(road, sizeof road, "road: %s", row.road);
    bool go = row.outcome != STOP;
    DWORD code = static_cast<DWORD>(row.exitCode);
    DWORD onWindows = setup && go ? static_cast<DWORD>(EXIT_FAILED) : code;
    RunTableRow({.name = name, .program = program, .line = line, .env = nullptr, .hidden = go, .exitCode = onWindows,
                 .wineExitCode = code, .box = boxes[row.box], .pathInBox = nullptr, .logLine = road});
  }
}

void RunTableRows() {
  if (!MakeWorkFolder()) {
    Row(false, "work folder", work, "the folder made, with copies of the INF and the program", "could not be made");
    return;
  }
  RunProgramTable("drvsetup", setupTable, setupTableRows);
  RunProgramTable("drvremove", removalTable, removalTableRows);
  for (const LineRow& row : rows) RunTableRow(row);
  if (!underWow64) Skip(wow64Row.name, "this build does not run under WOW64 here");
  else if (onWine) Skip(wow64Row.name, "Wine's update says success for an ID no device has: the refusal is not reached");
  else RunTableRow(wow64Row);
}
