// Runs each command line in turn, ROUNDS times over (A B A B ...), and prints
// "run LINE_INDEX ROUND EXIT LIFETIME_MS WALL_MS" per run:
//   bench_lifetime.exe ROUNDS LINE...
// The lifetime is the child's own, from the creation to the exit time the
// system keeps for it; the wall time also counts our CreateProcess and wait.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "clock.h"

static bool RunOnce(const char* line, DWORD* code, double* lifetimeMs, double* wallMs) {
  PROCESS_INFORMATION process;
  double started = NowMs();
  if (!StartLine(line, &process)) return false;
  bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
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
      printf("run %d %d %lu %.3f %.3f\n", i - 2, round, code, lifetimeMs, wallMs);
      fflush(stdout);
    }
  }
  return 0;
}
