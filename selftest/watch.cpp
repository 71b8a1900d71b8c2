#include "watch.h"

#include <string.h>

static DWORD childId;
static RunResult* current;
static HWND seen[16];
static int seenCount;
static HDESK hiddenDesk;
static wchar_t hiddenDesktop[] = L"drvsetup-selftest\\Default";

bool MakeHiddenDesktop() {
  if (hiddenDesk != nullptr) return true;
  HWINSTA mine = GetProcessWindowStation();
  HWINSTA station = CreateWindowStationW(L"drvsetup-selftest", 0, WINSTA_ALL_ACCESS, nullptr);
  if (station == nullptr || !SetProcessWindowStation(station)) return false;
  hiddenDesk = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  SetProcessWindowStation(mine);
  return hiddenDesk != nullptr;
}

// WM_GETTEXT: across processes it reads the window's own text.
static void Text(HWND hwnd, char* out, int size) {
  out[0] = '\0';
  DWORD_PTR length;
  if (hwnd != nullptr)
    SendMessageTimeoutA(hwnd, WM_GETTEXT, size, reinterpret_cast<LPARAM>(out), SMTO_ABORTIFHUNG,
                        2000, &length);
}

// The colour bits of an icon; false where its handle cannot be read from here (Wine keeps an
// icon's pixels within the process that loaded it).
static bool IconBits(HICON icon, BYTE* bits, int size) {
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return false;
  BITMAPINFO format = {};
  format.bmiHeader = {sizeof format.bmiHeader, 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC screen = GetDC(nullptr);
  bool read = info.hbmColor != nullptr && GetDIBits(screen, info.hbmColor, 0, 32, bits, &format, DIB_RGB_COLORS) == 32;
  ReleaseDC(nullptr, screen);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return read && size >= 32 * 32 * 4;
}

// Which of the system's icons the box shows, by its pixels: "information", "error", "other",
// "none", or "shown, kind unreadable".
static const char* IconName(HWND box) {
  HWND icon = GetDlgItem(box, 0x0440);  // the box's icon control
  HICON shown = icon != nullptr ? reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) : nullptr;
  if (shown == nullptr) return "none";
  static BYTE seen[32 * 32 * 4], known[32 * 32 * 4];
  if (!IconBits(shown, seen, sizeof seen)) return "shown, kind unreadable";
  if (IconBits(LoadIconA(nullptr, IDI_INFORMATION), known, sizeof known) && memcmp(seen, known, sizeof seen) == 0)
    return "information";
  if (IconBits(LoadIconA(nullptr, IDI_ERROR), known, sizeof known) && memcmp(seen, known, sizeof seen) == 0)
    return "error";
  return "other";
}

static void RecordBox(HWND box) {
  for (int i = 0; i < seenCount; ++i)
    if (seen[i] == box) return;
  if (seenCount < 16) seen[seenCount++] = box;
  if (current->boxes++ == 0) {
    Text(box, current->boxCaption, sizeof current->boxCaption);
    Text(GetDlgItem(box, 0xFFFF), current->boxText, sizeof current->boxText);
    current->boxIcon = IconName(box);
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

static void RecordDialog(HWND dialog) {
  for (int i = 0; i < seenCount; ++i)
    if (seen[i] == dialog) return;
  if (seenCount < 16) seen[seenCount++] = dialog;
  current->dialogs++;
}

static BOOL CALLBACK Look(HWND hwnd, LPARAM) {
  DWORD pid;
  char name[32], caption[8];
  GetWindowThreadProcessId(hwnd, &pid);
  GetClassNameA(hwnd, name, sizeof name);
  if (pid != childId || strcmp(name, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
  // The progress dialog has its bar; a box gets its caption after its buttons.
  Text(hwnd, caption, sizeof caption);
  if (GetDlgItem(hwnd, 1000) != nullptr) RecordDialog(hwnd);
  else if (GetDlgItem(hwnd, IDOK) != nullptr && caption[0] != '\0') RecordBox(hwnd);
  return TRUE;
}

void RunProgram(const wchar_t* app, wchar_t* line, const wchar_t* directory, bool hidden,
                DWORD timeoutMs, RunResult* result) {
  ZeroMemory(result, sizeof *result);
  result->exitCode = STILL_ACTIVE;
  result->boxIcon = "none";
  current = result;
  seenCount = 0;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (hidden) startup.lpDesktop = hiddenDesktop;
  PROCESS_INFORMATION process;
  if (!CreateProcessW(app, line, nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, &process))
    return;
  result->started = true;
  childId = process.dwProcessId;
  DWORD began = GetTickCount();
  bool ended = false;
  while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    if (hidden) EnumDesktopWindows(hiddenDesk, Look, 0);
    else EnumWindows(Look, 0);
    if (!ended && GetTickCount() - began > timeoutMs) {
      ended = true;
      TerminateProcess(process.hProcess, STILL_ACTIVE);
    }
  }
  if (!ended) GetExitCodeProcess(process.hProcess, &result->exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}
