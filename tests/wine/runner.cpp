// Starts a program with an exact raw command line read from a file, records
// every message box (then presses OK) and the progress dialog it shows, and
// records its exit code:
//   runner.exe APP LINEFILE OUTFILE [lock=PATH] [lockrange=PATH] [timeout=MS] [stress=N]
//              [cwd=DIR] [runs=N concurrent=M] [wide] [pipe=NAME] [hidden]
// The program starts in DIR, else in the runner's directory. A lock holds PATH
// open without sharing while the program runs; lockrange holds the diagnostic
// log's lock on PATH instead. A pipe is made with no buffer and never read, so
// that a write to it waits for ever. With wide, the file holds the line in UTF-8 and the
// program gets it as its wide command line, as a shell starts it: its narrow
// line is the system's conversion. Stress runs the program N times, the stand-in
// newdev.dll answering each time after a random delay of 0 to 300 ms with a
// random verdict, and records each run. Runs starts the program N times in
// all, M at once, "{n}" in the line replaced by each run's number. Hidden starts
// the program on a desktop of a window station of its own, which has no screen,
// as a service's has; the windows there are watched all the same.
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../../diagnostics/log_lock.h"
#include "record.h"

static const char* outPath;
static DWORD childId;
static const char* childDirectory;
static bool wideStart;
static char hiddenDesktop[64];  // "station\desktop" for the program, empty for the runner's own
static HDESK hiddenDesk;
static HWND seenBoxes[64];
static int seenBoxCount;
static char text[70000];

struct DialogSeen {
  bool seen;
  char caption[256], label[256], ctrlClass[64], positions[4096];
  int ctrlId, rangeLow, rangeHigh, lastPos;
  LONG style;
};
static DialogSeen dialog;

// WM_GETTEXT rather than GetWindowTextA: across processes the latter reads a
// copy of the text that Wine does not keep for texts near 32K characters.
static const char* WindowText(HWND hwnd) {
  text[0] = '\0';
  DWORD_PTR length;
  if (hwnd != nullptr)
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &length);
  return text;
}

static BOOL CALLBACK AddButton(HWND child, LPARAM buttons) {
  char name[32];
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "Button") == 0 && IsWindowVisible(child)) {
    char id[16];
    snprintf(id, sizeof id, "%s%d", *reinterpret_cast<char*>(buttons) ? "," : "", GetDlgCtrlID(child));
    strcat(reinterpret_cast<char*>(buttons), id);
  }
  return TRUE;
}

static void RecordBox(HWND box) {
  for (int i = 0; i < seenBoxCount; ++i)
    if (seenBoxes[i] == box) return;
  if (seenBoxCount < 64) seenBoxes[seenBoxCount++] = box;
  char caption[512], buttons[128] = "";
  lstrcpynA(caption, WindowText(box), sizeof caption);
  EnumChildWindows(box, AddButton, reinterpret_cast<LPARAM>(buttons));
  HWND icon = GetDlgItem(box, 1088);
  bool hasIcon = icon != nullptr && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
  const char* fields[] = {"box", caption, WindowText(GetDlgItem(box, 0xFFFF)), buttons,
                          hasIcon ? "icon" : "noicon"};
  AppendRecord(outPath, fields, 5);
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

static void WatchDialog(HWND hwnd, HWND bar) {
  int pos = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
  if (!dialog.seen) {
    dialog.seen = true;
    lstrcpynA(dialog.caption, WindowText(hwnd), sizeof dialog.caption);
    lstrcpynA(dialog.label, WindowText(GetDlgItem(hwnd, 0xFFFF)), sizeof dialog.label);
    GetClassNameA(bar, dialog.ctrlClass, sizeof dialog.ctrlClass);
    dialog.ctrlId = GetDlgCtrlID(bar);
    dialog.style = GetWindowLongA(hwnd, GWL_STYLE);
    // No range record across processes: ask for each limit alone.
    dialog.rangeLow = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
    dialog.rangeHigh = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
  } else if (pos == dialog.lastPos) {
    return;
  }
  dialog.lastPos = pos;
  size_t used = strlen(dialog.positions);
  if (used + 16 < sizeof dialog.positions)
    snprintf(dialog.positions + used, 16, "%s%d", used ? "," : "", pos);
}

static BOOL CALLBACK Classify(HWND hwnd, LPARAM) {
  DWORD pid;
  char name[32];
  GetWindowThreadProcessId(hwnd, &pid);
  GetClassNameA(hwnd, name, sizeof name);
  if (pid != childId || strcmp(name, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
  // A window still being built has neither: it is looked at again at the next poll.
  HWND bar = GetDlgItem(hwnd, 1000);
  if (bar != nullptr) WatchDialog(hwnd, bar);
  // A box gets its caption (never empty: "Error" by default) after its buttons: under
  // emulation a poll can fall between the two.
  else if (GetDlgItem(hwnd, IDOK) != nullptr && WindowText(hwnd)[0] != '\0') RecordBox(hwnd);
  return TRUE;
}

static void RecordDialog() {
  if (!dialog.seen) return;
  char id[16], style[16], range[32];
  snprintf(id, sizeof id, "%d", dialog.ctrlId);
  snprintf(style, sizeof style, "%08lX", static_cast<unsigned long>(dialog.style));
  snprintf(range, sizeof range, "%d-%d", dialog.rangeLow, dialog.rangeHigh);
  const char* fields[] = {"dialog", dialog.caption, dialog.label, dialog.ctrlClass,
                          id,       style,          range,        dialog.positions};
  AppendRecord(outPath, fields, 8);
}

static char* ReadLine(const char* path) {
  static char line[70000];
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return nullptr;
  size_t length = fread(line, 1, sizeof line - 1, file);
  fclose(file);
  line[length] = '\0';
  return line;
}

// A window station made here is not the interactive one: it has no screen.
static bool MakeHiddenDesktop() {
  HWINSTA mine = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationA("drvsetup-hidden", 0, WINSTA_ALL_ACCESS, nullptr);
  if (station == nullptr || !SetProcessWindowStation(station)) return false;
  hiddenDesk = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  SetProcessWindowStation(mine);
  lstrcpyA(hiddenDesktop, "drvsetup-hidden\\Default");
  return hiddenDesk != nullptr;
}

static BOOL CreateChildOnce(const char* app, char* line, PROCESS_INFORMATION* process) {
  static wchar_t wideDesktop[64];
  MultiByteToWideChar(CP_ACP, 0, hiddenDesktop, -1, wideDesktop, 64);
  if (!wideStart) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (hiddenDesktop[0] != '\0') startup.lpDesktop = hiddenDesktop;
    return CreateProcessA(app, line, nullptr, nullptr, FALSE, 0, nullptr, childDirectory, &startup,
                          process);
  }
  static wchar_t wideApp[MAX_PATH], wideLine[70000], wideDirectory[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, app, -1, wideApp, MAX_PATH);
  MultiByteToWideChar(CP_UTF8, 0, line, -1, wideLine, 70000);
  if (childDirectory != nullptr)
    MultiByteToWideChar(CP_ACP, 0, childDirectory, -1, wideDirectory, MAX_PATH);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (hiddenDesktop[0] != '\0') startup.lpDesktop = wideDesktop;
  return CreateProcessW(wideApp, wideLine, nullptr, nullptr, FALSE, 0, nullptr,
                        childDirectory != nullptr ? wideDirectory : nullptr, &startup, process);
}

// Under load Wine now and then fails a start with ERROR_INTERNAL_ERROR before
// the program runs at all: such a start is tried again, twice at most.
static BOOL CreateChild(const char* app, char* line, PROCESS_INFORMATION* process) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (CreateChildOnce(app, line, process)) return TRUE;
    if (GetLastError() != ERROR_INTERNAL_ERROR) return FALSE;
    Sleep(100);
  }
  return FALSE;
}

// Returns the exit code; STILL_ACTIVE when the program outlived timeoutMs and
// was ended; 0x10000 + the error when it could not be started.
static DWORD Run(const char* app, char* line, DWORD timeoutMs) {
  PROCESS_INFORMATION process;
  if (!CreateChild(app, line, &process)) return GetLastError() | 0x10000;
  childId = process.dwProcessId;
  DWORD started = GetTickCount(), code = STILL_ACTIVE;
  bool timedOut = false;
  while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    if (hiddenDesk != nullptr) EnumDesktopWindows(hiddenDesk, Classify, 0);
    else EnumWindows(Classify, 0);
    if (!timedOut && GetTickCount() - started > timeoutMs) {
      timedOut = true;
      TerminateProcess(process.hProcess, 99);
    }
  }
  if (!timedOut) GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

static void Stress(const char* app, const char* line, int runs, DWORD timeoutMs) {
  static char copy[70000];
  srand(GetTickCount());
  for (int i = 0; i < runs; ++i) {
    char delay[16], result[16], code[16], elapsed[16];
    snprintf(delay, sizeof delay, "%d", rand() % 301);
    snprintf(result, sizeof result, "%d", rand() % 2);
    SetEnvironmentVariableA("DRVSETUP_STUB_DELAY_MS", delay);
    SetEnvironmentVariableA("DRVSETUP_STUB_RESULT", result);
    lstrcpynA(copy, line, sizeof copy);
    DWORD started = GetTickCount();
    DWORD exitCode = Run(app, copy, timeoutMs);
    snprintf(code, sizeof code, "%lu", static_cast<unsigned long>(exitCode));
    snprintf(elapsed, sizeof elapsed, "%lu", GetTickCount() - started);
    const char* fields[] = {"stress", delay, result, code, elapsed};
    AppendRecord(outPath, fields, 5);
  }
}

// The line with every "{n}" replaced by number.
static void Substitute(char* out, size_t size, const char* line, int number) {
  size_t used = 0;
  while (*line != '\0' && used + 12 < size) {
    if (strncmp(line, "{n}", 3) == 0) {
      used += snprintf(out + used, size - used, "%d", number);
      line += 3;
    } else {
      out[used++] = *line++;
    }
  }
  out[used] = '\0';
}

static void RecordRun(int number, DWORD code) {
  char numberText[16], codeText[16];
  snprintf(numberText, sizeof numberText, "%d", number);
  snprintf(codeText, sizeof codeText, "%lu", static_cast<unsigned long>(code));
  const char* fields[] = {"run", numberText, codeText};
  AppendRecord(outPath, fields, 3);
}

static HANDLE Start(const char* app, const char* line, int number) {
  static char copy[70000];
  Substitute(copy, sizeof copy, line, number);
  PROCESS_INFORMATION process;
  if (!CreateChild(app, copy, &process)) {
    RecordRun(number, GetLastError() | 0x10000);
    return nullptr;
  }
  CloseHandle(process.hThread);
  return process.hProcess;
}

// Keeps `concurrent` runs going until `runs` have ended; a run that outlives
// timeoutMs is ended and recorded as STILL_ACTIVE.
static void RunConcurrently(const char* app, const char* line, int runs, int concurrent,
                            DWORD timeoutMs) {
  HANDLE running[MAXIMUM_WAIT_OBJECTS];
  int numbers[MAXIMUM_WAIT_OBJECTS], active = 0, next = 0;
  if (concurrent > MAXIMUM_WAIT_OBJECTS) concurrent = MAXIMUM_WAIT_OBJECTS;
  while (next < runs || active > 0) {
    for (; active < concurrent && next < runs; ++next) {
      HANDLE process = Start(app, line, next);
      if (process != nullptr) {
        running[active] = process;
        numbers[active++] = next;
      }
    }
    if (active == 0) continue;
    DWORD which = WaitForMultipleObjects(active, running, FALSE, timeoutMs);
    int i = which < WAIT_OBJECT_0 + active ? static_cast<int>(which - WAIT_OBJECT_0) : 0;
    DWORD code = STILL_ACTIVE;
    if (which == WAIT_TIMEOUT) TerminateProcess(running[i], 99);
    else GetExitCodeProcess(running[i], &code);
    RecordRun(numbers[i], code);
    CloseHandle(running[i]);
    running[i] = running[--active];
    numbers[i] = numbers[active];
  }
}

// Holds the diagnostic log's lock on path, as another run writing would.
static HANDLE HoldLogLock(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, 0, nullptr);
  OVERLAPPED range = {};
  range.Offset = LOG_LOCK_OFFSET_LOW;
  range.OffsetHigh = LOG_LOCK_OFFSET_HIGH;
  if (file != INVALID_HANDLE_VALUE && !LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &range)) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  outPath = argv[3];
  DeleteFileA(outPath);
  DWORD timeoutMs = 20000;
  int stressRuns = 0, runs = 0, concurrent = 1;
  HANDLE lock = INVALID_HANDLE_VALUE;
  for (int i = 4; i < argc; ++i) {
    if (strncmp(argv[i], "timeout=", 8) == 0) timeoutMs = strtoul(argv[i] + 8, nullptr, 10);
    if (strncmp(argv[i], "stress=", 7) == 0) stressRuns = atoi(argv[i] + 7);
    if (strncmp(argv[i], "cwd=", 4) == 0) childDirectory = argv[i] + 4;
    if (strcmp(argv[i], "wide") == 0) wideStart = true;
    if (strcmp(argv[i], "hidden") == 0 && !MakeHiddenDesktop()) return 4;
    if (strncmp(argv[i], "runs=", 5) == 0) runs = atoi(argv[i] + 5);
    if (strncmp(argv[i], "concurrent=", 11) == 0) concurrent = atoi(argv[i] + 11);
    if (strncmp(argv[i], "lockrange=", 10) == 0 && (lock = HoldLogLock(argv[i] + 10)) == INVALID_HANDLE_VALUE)
      return 3;
    if (strncmp(argv[i], "pipe=", 5) == 0)
      lock = CreateNamedPipeA(argv[i] + 5, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0,
                              nullptr);
    if (strncmp(argv[i], "lock=", 5) == 0)
      lock = CreateFileA(argv[i] + 5, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  }
  char* line = ReadLine(argv[2]);
  if (line == nullptr) return 2;
  if (stressRuns > 0) {
    Stress(argv[1], line, stressRuns, timeoutMs);
    return 0;
  }
  if (runs > 0) {
    RunConcurrently(argv[1], line, runs, concurrent, timeoutMs);
    return 0;
  }
  DWORD started = GetTickCount();
  DWORD code = Run(argv[1], line, timeoutMs);
  char elapsed[16];
  snprintf(elapsed, sizeof elapsed, "%lu", GetTickCount() - started);
  const char* timing[] = {"elapsed", elapsed};
  AppendRecord(outPath, timing, 2);
  if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
  RecordDialog();
  char codeText[32];
  snprintf(codeText, sizeof codeText, "%lu", static_cast<unsigned long>(code));
  const char* fields[] = {code == STILL_ACTIVE ? "timeout" : "exit", codeText};
  AppendRecord(outPath, fields, 2);
  return 0;
}
