#include "progress_dialog.h"

#include <commctrl.h>

#include "../common/system_library.h"

ProgressDialogParams progressDialogParams;
std::atomic<LONG> progressStopped{1};

// The flag alone cannot tell a stop that came before the dialog thread ran:
// the thread's clearing would overwrite it. So starts and stops are also
// counted. Dialog threads are alike, so each takes the next ticket when it
// runs, and a stop ends every thread whose ticket is within the starts made
// before it.
static std::atomic<LONG> progressStarts{0};
static std::atomic<LONG> progressStopMark{0};
static std::atomic<LONG> progressTickets{0};

static const UINT_PTR TIMER_ID = 0;
static const UINT TIMER_PERIOD_MS = 200;

static bool IsStopRequested(LONG ticket) {
  return progressStopped.load() != 0 || ticket <= progressStopMark.load();
}

// The bar's class comes from the common controls, which the driver update may
// load and release under us; our own reference, never released, keeps it
// registered. Loaded from the system directory for the same reason as newdev,
// and before the dialog thread exists: its load sets up the system's window
// classes under the loader lock, which deadlocks Wine 8 if the update sets them up at once.
static HMODULE commonControls;

static void RegisterProgressClass() {
  typedef BOOL(WINAPI * InitCommonControlsExFn)(const INITCOMMONCONTROLSEX*);
  if (commonControls == nullptr) commonControls = LoadSystemLibrary("comctl32.dll");
  if (commonControls == nullptr) return;
  InitCommonControlsExFn init = reinterpret_cast<InitCommonControlsExFn>(
      reinterpret_cast<void*>(GetProcAddress(commonControls, "InitCommonControlsEx")));
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  if (init != nullptr) init(&classes);
}

void StartProgressDialog(HINSTANCE hInstance, LONG templateId, LONG progressCtrlId, HWND hwndParent) {
  if (progressStopped.load() != 1) return;
  progressDialogParams.hInstance = hInstance;
  progressDialogParams.templateId = templateId;
  progressDialogParams.progressCtrlId.store(progressCtrlId);
  progressDialogParams.hwndParent = hwndParent;
  RegisterProgressClass();
  progressStarts.fetch_add(1);
  DWORD threadId;
  HANDLE thread = CreateThread(nullptr, 0, ProgressThreadProc, nullptr, 0, &threadId);
  // No thread takes this start's ticket: counted, it would end every later thread at once.
  if (thread == nullptr) {
    progressStarts.fetch_sub(1);
    return;
  }
  CloseHandle(thread);  // detached: nobody waits for the dialog thread; the process end closes it
}

void StopProgressDialog() {
  // The mark goes first: a thread that sees the flag at 1 also sees the mark.
  progressStopMark.store(progressStarts.load());
  progressStopped.store(1);
  progressDialogParams.hInstance = nullptr;
  progressDialogParams.templateId = 0;
  progressDialogParams.progressCtrlId.store(0);
  progressDialogParams.hwndParent = nullptr;
}

static void RunDialog(HWND dialog, LONG ticket) {
  ShowWindow(dialog, SW_SHOWNORMAL);
  MSG message;
  // GetMessageA gives -1 on error: that ends the loop too, or it would spin.
  while (GetMessageA(&message, dialog, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (IsStopRequested(ticket)) break;
  }
  DestroyWindow(dialog);
}

// Clears the flag to say the dialog runs, unless a stop came first.
static bool EnterRunning(LONG ticket) {
  if (ticket <= progressStopMark.load()) return false;
  progressStopped.store(0);
  if (ticket <= progressStopMark.load()) {
    progressStopped.store(1);  // a stop raced with the clearing: it still holds
    return false;
  }
  return true;
}

DWORD WINAPI ProgressThreadProc(LPVOID) {
  HINSTANCE hInstance = progressDialogParams.hInstance;
  WORD templateId = LOWORD(progressDialogParams.templateId);
  HWND hwndParent = progressDialogParams.hwndParent;
  LONG ticket = progressTickets.fetch_add(1) + 1;
  if (!EnterRunning(ticket)) return 0;
  HWND dialog = CreateDialogParamA(hInstance, MAKEINTRESOURCEA(templateId), hwndParent,
                                   ProgressDlgProc, 0);
  // No dialog means nothing to wait for: the thread ends at once.
  if (dialog != nullptr) RunDialog(dialog, ticket);
  if (!IsStopRequested(ticket)) {
    LONG running = 0;
    progressStopped.compare_exchange_strong(running, 1);  // ended by itself: idle again
  }
  return 0;
}

static LRESULT SendToBar(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendDlgItemMessageA(hDlg, progressDialogParams.progressCtrlId.load(), message, wParam,
                             lParam);
}

INT_PTR CALLBACK ProgressDlgProc(HWND hDlg, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendToBar(hDlg, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      SendToBar(hDlg, PBM_SETPOS, 0, 0);
      SendToBar(hDlg, PBM_SETSTEP, 4, 0);
      SetTimer(hDlg, TIMER_ID, TIMER_PERIOD_MS, nullptr);
      return FALSE;
    case WM_TIMER:
      // Never reset: past 100 the control wraps, and the bar sweeps again.
      SendToBar(hDlg, PBM_STEPIT, 0, 0);
      return TRUE;
    default:
      return FALSE;
  }
}
