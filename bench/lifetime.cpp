// Runs each command line in turn, ROUNDS times over (A B A B ...), and prints
// "run LINE_INDEX ROUND EXIT LIFETIME_MS WALL_MS WINDOWS" per run:
//   bench_lifetime.exe ROUNDS LINE...
// The lifetime is the child's own, from the creation to the exit time the
// system keeps for it; the wall time also counts our CreateProcess and wait.
// WINDOWS counts the windows the child created (the system cannot name a
// window's class once its process has ended, so they are not told apart).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "clock.h"

static int windowsCreated;

static void CALLBACK CountCreated(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG, DWORD, DWORD) {
  if (object == OBJID_WINDOW) ++windowsCreated;
}

// Waits for the process while the window events it causes come in.
static bool WaitPumping(HANDLE process) {
  MSG message;
  for (;;) {
    DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, 60000, QS_ALLINPUT);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (woke != WAIT_OBJECT_0 + 1) return woke == WAIT_OBJECT_0;
  }
}

static bool RunOnce(const char* line, DWORD* code, double* lifetimeMs, double* wallMs) {
  PROCESS_INFORMATION process;
  windowsCreated = 0;
  double started = NowMs();
  if (!StartLine(line, CREATE_SUSPENDED, &process)) return false;
  // Hooked before the child runs, so that none of its windows goes uncounted.
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr,
                                       CountCreated, process.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
  ResumeThread(process.hThread);
  bool ended = WaitPumping(process.hProcess);
  UnhookWinEvent(hook);
  *wallMs = NowMs() - started;
  if (!ended) TerminateProcess(process.hProcess, 99);
  FILETIME created, exited, kernel, user;
  bool known = GetExitCodeProcess(process.hProcess, code) &&
               GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user);
  *lifetimeMs = FileTimeMs(exited) - FileTimeMs(created);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ended && known;
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  int rounds = atoi(argv[1]);
  for (int round = 0; round < rounds; ++round) {
    for (int i = 2; i < argc; ++i) {
      DWORD code;
      double lifetimeMs, wallMs;
      if (!RunOnce(argv[i], &code, &lifetimeMs, &wallMs)) {
        printf("error %d %d %lu\n", i - 2, round, GetLastError());
        return 1;
      }
      printf("run %d %d %lu %.3f %.3f %d\n", i - 2, round, code, lifetimeMs, wallMs, windowsCreated);
      fflush(stdout);
    }
  }
  return 0;
}
