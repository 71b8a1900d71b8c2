// In-process checks of the progress dialog under Wine:
//   progress_test.exe [RACE_PAIRS]
// Each check prints "ok NAME" or "FAIL NAME: why"; the last line counts them.
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <tlhelp32.h>

#include "../../progress/progress_dialog.h"
#include "../../resources/resource.h"

static int passed, failed;

static void Report(const char* name, bool ok, const char* why) {
  if (ok) {
    ++passed;
    printf("ok   %s\n", name);
  } else {
    ++failed;
    printf("FAIL %s: %s\n", name, why);
  }
  fflush(stdout);
}

static int CountThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

struct Found {
  HWND dialog;
  int count;
};

static BOOL CALLBACK CountDialog(HWND hwnd, LPARAM found) {
  DWORD pid;
  GetWindowThreadProcessId(hwnd, &pid);
  Found* f = reinterpret_cast<Found*>(found);
  if (pid == GetCurrentProcessId() && GetDlgItem(hwnd, IDC_PROGRESS) != nullptr) {
    f->dialog = hwnd;
    ++f->count;
  }
  return TRUE;
}

static Found FindDialogs() {
  Found found = {nullptr, 0};
  EnumWindows(CountDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

static HWND WaitForDialog(DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(5)) {
    Found found = FindDialogs();
    if (found.dialog != nullptr) return found.dialog;
  }
  return nullptr;
}

// Waits until no dialog is left and the thread count is back to baseline;
// returns the milliseconds that took, or -1 on timeout. maxSeen gets the
// largest number of dialogs seen at once.
static int WaitForIdle(int baseline, DWORD timeoutMs, int* maxSeen) {
  DWORD start = GetTickCount();
  for (;;) {
    Found found = FindDialogs();
    if (maxSeen != nullptr && found.count > *maxSeen) *maxSeen = found.count;
    if (found.count == 0 && CountThreads() <= baseline) return static_cast<int>(GetTickCount() - start);
    if (GetTickCount() - start > timeoutMs) return -1;
    Sleep(1);
  }
}

static void Start(LONG templateId) {
  StartProgressDialog(GetModuleHandleA(nullptr), templateId, IDC_PROGRESS, nullptr);
}

static void CheckBar(HWND dialog) {
  HWND bar = GetDlgItem(dialog, IDC_PROGRESS);
  char why[512];
  int low = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, TRUE, 0));
  int high = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
  snprintf(why, sizeof why, "range %d-%d", low, high);
  Report("bar range is 0 to 100", low == 0 && high == 100, why);

  int positions[16], count = 0, last = -1;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 1500 && count < 16; Sleep(5)) {
    int pos = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
    if (pos != last) positions[count++] = last = pos;
  }
  bool byFour = count >= 5;
  int used = snprintf(why, sizeof why, "positions");
  for (int i = 0; i < count; ++i) {
    used += snprintf(why + used, sizeof why - used, " %d", positions[i]);
    if (i > 0 && positions[i] - positions[i - 1] != 4) byFour = false;
  }
  Report("bar advances by 4 at each 200 ms tick", byFour, why);
}

static void CheckRunningDialog(int baseline) {
  Start(IDD_PROGRESS);
  HWND dialog = WaitForDialog(3000);
  Report("a start shows the dialog", dialog != nullptr, "no dialog within 3 s");
  if (dialog == nullptr) return;
  Report("the flag reads 0 while running", progressStopped.load() == 0, "flag not 0");
  CheckBar(dialog);

  int threads = CountThreads();
  Start(IDD_PROGRESS);
  Sleep(500);
  Found found = FindDialogs();
  Report("a second start while running adds no dialog or thread",
         found.count == 1 && CountThreads() == threads, "second dialog or thread");

  StopProgressDialog();
  int ms = WaitForIdle(baseline, 3000, nullptr);
  char why[64];
  snprintf(why, sizeof why, "gone after %d ms (-1: not within 3 s)", ms);
  Report("a stop while running ends the dialog within a timer period", ms >= 0 && ms <= 400, why);
  Report("a stop clears the parameters",
         progressDialogParams.hInstance == nullptr && progressDialogParams.templateId == 0 &&
             progressDialogParams.progressCtrlId.load() == 0 && progressStopped.load() == 1,
         "parameters or flag left set");
}

static void CheckMissingTemplate(int baseline) {
  Start(999);
  int ms = WaitForIdle(baseline, 3000, nullptr);
  Sleep(50);
  Report("a dialog that cannot be created ends its thread at once",
         ms >= 0 && progressStopped.load() == 1 && FindDialogs().count == 0,
         "thread still there or flag not back to 1");
}

// A new thread cannot reach its thread function while another thread holds
// the loader lock: holding it makes the stop land before the dialog thread runs.
// Run first: the start itself must have loaded the common controls by then.
static void CheckStopBeforeThreadRuns(int baseline) {
  typedef LONG(NTAPI * LockFn)(ULONG, ULONG*, ULONG_PTR*);
  typedef LONG(NTAPI * UnlockFn)(ULONG, ULONG_PTR);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  LockFn lock = reinterpret_cast<LockFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
  UnlockFn unlock = reinterpret_cast<UnlockFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
  ULONG_PTR cookie;
  if (lock == nullptr || unlock == nullptr || lock(0, nullptr, &cookie) != 0) {
    Report("a stop before the dialog thread runs ends it", false, "no loader lock");
    return;
  }
  Start(IDD_PROGRESS);
  bool loaded = GetModuleHandleA("comctl32.dll") != nullptr;
  StopProgressDialog();
  unlock(0, cookie);
  Report("the start loads the common controls before the dialog thread runs", loaded,
         "not loaded yet: a dialog thread loading them can deadlock Wine");
  int seen = 0, ms = WaitForIdle(baseline, 3000, &seen);
  Report("a stop before the dialog thread runs ends it",
         ms >= 0 && seen == 0 && progressStopped.load() == 1, "a dialog or thread was left");
}

// Destroys the dialog on its own thread, from a hook, when it gets WM_APP.
static LRESULT CALLBACK DestroyOnSignal(int code, WPARAM wParam, LPARAM lParam) {
  const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == WM_APP) DestroyWindow(sent->hwnd);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Once its window is gone GetMessageA fails with -1: the loop must end there.
static void CheckDestroyedDialog(int baseline) {
  Start(IDD_PROGRESS);
  HWND dialog = WaitForDialog(3000);
  HHOOK hook = nullptr;
  if (dialog != nullptr) {
    hook = SetWindowsHookExA(WH_CALLWNDPROC, DestroyOnSignal, nullptr,
                             GetWindowThreadProcessId(dialog, nullptr));
    SendMessageA(dialog, WM_APP, 0, 0);
  }
  int ms = WaitForIdle(baseline, 3000, nullptr);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  Report("a dialog destroyed under its loop ends its thread",
         hook != nullptr && ms >= 0 && progressStopped.load() == 1,
         "thread left running or flag not back to 1");
  StopProgressDialog();
}

// Stops issued at every moment of the dialog thread's start-up.
static void CheckRaces(int baseline, int pairs) {
  int maxSeen = 0, stuck = -1, shown = 0, stuckSpins = 0, stuckSleep = 0;
  DWORD started = GetTickCount();
  for (int i = 0; i < pairs && stuck < 0; ++i) {
    int seen = 0;
    Start(IDD_PROGRESS);
    int spins = rand() % (1 + (i % 7) * 4000);
    volatile int spun = 0;  // a busy wait the compiler keeps
    while (spun < spins) spun = spun + 1;
    int pause = i % 5 == 4 ? rand() % 30 : 0;
    if (i % 5 == 4) Sleep(pause);
    StopProgressDialog();
    if (WaitForIdle(baseline, 3000, &seen) < 0 || progressStopped.load() != 1) {
      stuck = i;
      stuckSpins = spins;
      stuckSleep = pause;
    }
    if (seen > maxSeen) maxSeen = seen;
    if (seen > 0) ++shown;
  }
  char why[160];
  snprintf(why, sizeof why,
           "pair %d (stop after %d spins and %d ms) left a dialog or thread; "
           "at most %d dialogs at once",
           stuck, stuckSpins, stuckSleep, maxSeen);
  Report("every start/stop pair ends with no dialog and no thread", stuck < 0 && maxSeen <= 1, why);
  printf("     %d start/stop pairs in %lu ms; %d stopped after the dialog was up\n", pairs,
         GetTickCount() - started, shown);
}

int main(int argc, char** argv) {
  int pairs = argc > 1 ? atoi(argv[1]) : 300;
  srand(GetTickCount());
  int baseline = CountThreads();
  CheckStopBeforeThreadRuns(baseline);
  CheckRunningDialog(baseline);
  CheckMissingTemplate(baseline);
  CheckDestroyedDialog(baseline);
  CheckRaces(baseline, pairs);
  printf("progress: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
