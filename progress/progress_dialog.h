#pragma once
#include <windows.h>

#include <atomic>

struct ProgressDialogParams {
  HINSTANCE hInstance;
  LONG templateId;
  std::atomic<LONG> progressCtrlId;
  HWND hwndParent;
};

extern ProgressDialogParams progressDialogParams;

// 1: no dialog thread running, or a stop requested; 0: the dialog thread runs.
extern std::atomic<LONG> progressStopped;

void StartProgressDialog(HINSTANCE hInstance, LONG templateId, LONG progressCtrlId, HWND hwndParent);
void StopProgressDialog();
DWORD WINAPI ProgressThreadProc(LPVOID);
INT_PTR CALLBACK ProgressDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
