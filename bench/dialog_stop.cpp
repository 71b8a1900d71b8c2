// Measures how long the progress dialog takes to be destroyed once stopped:
//   bench_dialog_stop.exe TRIALS
// Each trial starts the dialog, waits until it is on screen and a random
// 0-200 ms more (so the stop lands anywhere in the bar's timer period), stops
// it, and polls IsWindow every millisecond. Prints "stop TRIAL EXTRA_MS GONE_MS".
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "../common/system_library.h"
#include "../progress/progress_dialog.h"
#include "../resources/resource.h"
#include "clock.h"

static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
  DWORD pid;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) ||
      GetDlgItem(hwnd, IDC_PROGRESS) == nullptr)
    return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

static HWND WaitForDialog() {
  HWND dialog = nullptr;
  for (double start = NowMs(); dialog == nullptr && NowMs() - start < 5000; Sleep(1))
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

// Milliseconds from the stop until the window is gone, or -1 after 5 s.
static double StopAndWait(HWND dialog) {
  double stopped = NowMs();
  StopProgressDialog();
  while (IsWindow(dialog)) {
    if (NowMs() - stopped > 5000) return -1;
    Sleep(1);
  }
  return NowMs() - stopped;
}

int main(int argc, char** argv) {
  int trials = argc > 1 ? atoi(argv[1]) : 20;
  srand(GetTickCount());
  // Under Wine 8, polling the window list while the dialog thread loads the
  // common controls can deadlock the two threads; loaded here first, they are
  // as every trial after the first would find them anyway.
  LoadSystemLibrary("comctl32.dll");
  for (int trial = 0; trial < trials; ++trial) {
    StartProgressDialog(GetModuleHandleA(nullptr), IDD_PROGRESS, IDC_PROGRESS, nullptr);
    HWND dialog = WaitForDialog();
    if (dialog == nullptr) {
      printf("error %d no dialog\n", trial);
      return 1;
    }
    int extra = rand() % 201;
    Sleep(extra);
    printf("stop %d %d %.3f\n", trial, extra, StopAndWait(dialog));
    fflush(stdout);
    Sleep(50);  // lets the ended dialog thread return before the next start
  }
  return 0;
}
