// Runs one command line and measures the CPU time (user + kernel) its process
// uses while its progress dialog is on screen:
//   bench_cpu.exe LINE
// prints "cpu EXIT SHOWN_MS WATCHED_MS CPU_WATCHED_MS CPU_TOTAL_MS": when the
// dialog showed, how long it was watched, the CPU used over that watch, and
// the CPU used since the start, both at the last sample before the exit.
#include <windows.h>

#include <stdio.h>

#include "clock.h"

static DWORD childId;
static bool dialogShown;

static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM) {
  DWORD pid;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == childId && IsWindowVisible(hwnd) && GetDlgItem(hwnd, 1000) != nullptr)
    dialogShown = true;
  return !dialogShown;
}

// The process's CPU so far, or -1 once it has ended: the system forgets a
// process's CPU time when it ends, so samples are taken while it runs.
static double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0 ||
      !GetProcessTimes(process, &created, &exited, &kernel, &user))
    return -1;
  return FileTimeMs(kernel) + FileTimeMs(user);
}

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  PROCESS_INFORMATION process;
  double started = NowMs();
  if (!StartLine(argv[1], 0, &process)) return 1;
  childId = process.dwProcessId;
  while (!dialogShown && WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT)
    EnumWindows(FindDialog, 0);
  double shownAt = NowMs(), first = CpuMs(process.hProcess), last = first, lastAt = shownAt;
  for (double cpu; (cpu = CpuMs(process.hProcess)) >= 0; Sleep(100)) {
    last = cpu;
    lastAt = NowMs();
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code;
  GetExitCodeProcess(process.hProcess, &code);
  if (!dialogShown || first < 0) return 1;
  printf("cpu %lu %.1f %.1f %.3f %.3f\n", code, shownAt - started, lastAt - shownAt,
         last - first, last);
  return 0;
}
