#include "watch.h"

#include <stdlib.h>
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

// The box's parts, found by what they are, never by a control number (Windows documents none):
// the icon is its static child with the SS_ICON style, the text its other static child with text.
struct BoxParts {
  HWND icon, text;
};

static BOOL CALLBACK FindPart(HWND child, LPARAM found) {
  BoxParts* parts = reinterpret_cast<BoxParts*>(found);
  char name[16];
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "Static") != 0) return TRUE;
  bool icon = (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
  if (icon && parts->icon == nullptr) parts->icon = child;
  if (!icon && parts->text == nullptr && GetWindowTextLengthA(child) > 0) parts->text = child;
  return TRUE;
}

static BoxParts FindParts(HWND box) {
  BoxParts parts = {nullptr, nullptr};
  EnumChildWindows(box, FindPart, reinterpret_cast<LPARAM>(&parts));
  return parts;
}

// The icons a box can show, by their names in the rows.
static const struct {
  const char* name;
  LPCSTR id;
} systemIcons[] = {{"information", IDI_INFORMATION}, {"error", IDI_ERROR}, {"warning", IDI_WARNING},
                   {"question", IDI_QUESTION}};

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

// A top-down 32-bit bitmap of WIDTH x HEIGHT selected into a memory DC; false if none.
struct Canvas {
  HDC dc;
  HBITMAP bitmap, old;
  BYTE* bits;
};

static bool MakeCanvas(int width, int height, Canvas* canvas) {
  BITMAPINFO format = {};
  format.bmiHeader = {sizeof format.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  canvas->dc = CreateCompatibleDC(nullptr);
  canvas->bitmap = CreateDIBSection(canvas->dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  canvas->bits = static_cast<BYTE*>(bits);
  canvas->old = canvas->bitmap != nullptr ? static_cast<HBITMAP>(SelectObject(canvas->dc, canvas->bitmap)) : nullptr;
  return canvas->dc != nullptr && canvas->bitmap != nullptr;
}

static void FreeCanvas(Canvas* canvas) {
  if (canvas->old != nullptr) SelectObject(canvas->dc, canvas->old);
  if (canvas->bitmap != nullptr) DeleteObject(canvas->bitmap);
  if (canvas->dc != nullptr) DeleteDC(canvas->dc);
}

// Where the icon's handle cannot be read from here: the icon control as the screen shows it,
// against each system icon drawn alike on the control's own background (its top-left pixel,
// outside the round icons). The name of the nearest, when it is near; null otherwise.
static const char* IconOnScreen(HWND control) {
  RECT area;
  if (!GetWindowRect(control, &area)) return nullptr;
  int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0 || width > 256 || height > 256) return nullptr;
  Canvas shown = {}, drawn = {};
  const char* nearest = nullptr;
  if (MakeCanvas(width, height, &shown) && MakeCanvas(width, height, &drawn)) {
    HDC screen = GetDC(nullptr);
    bool read = BitBlt(shown.dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != 0;
    ReleaseDC(nullptr, screen);
    GdiFlush();
    unsigned long best = ~0ul;
    DWORD background = *reinterpret_cast<DWORD*>(shown.bits);
    for (const auto& candidate : systemIcons) {
      if (!read) break;
      for (int i = 0; i < width * height; ++i) reinterpret_cast<DWORD*>(drawn.bits)[i] = background;
      DrawIconEx(drawn.dc, 0, 0, LoadIconA(nullptr, candidate.id), width, height, 0, nullptr, DI_NORMAL);
      GdiFlush();
      unsigned long difference = 0;
      for (int i = 0; i < width * height * 4; ++i)
        if (i % 4 != 3) difference += abs(static_cast<int>(shown.bits[i]) - static_cast<int>(drawn.bits[i]));
      if (difference < best) best = difference, nearest = candidate.name;
    }
    // Near: at most 8 levels a channel on average (the screen may round colours).
    if (best > 8ul * 3 * width * height) nearest = nullptr;
  }
  FreeCanvas(&shown);
  FreeCanvas(&drawn);
  return nearest;
}

// Which of the system's icons the box shows: "information", "error", "warning", "question",
// "other", "none", or "shown, kind unreadable". By the icon's own pixels where its handle can be
// read from here (Windows), else, or where they match none, by the pixels the screen shows
// (Wine keeps an icon's pixels within the process that loaded it).
static const char* IconName(HWND icon) {
  HICON shown = icon != nullptr ? reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) : nullptr;
  if (shown == nullptr) return "none";
  static BYTE seen[32 * 32 * 4], known[32 * 32 * 4];
  bool readable = IconBits(shown, seen, sizeof seen);
  for (const auto& candidate : systemIcons)
    if (readable && IconBits(LoadIconA(nullptr, candidate.id), known, sizeof known) &&
        memcmp(seen, known, sizeof seen) == 0)
      return candidate.name;
  // The box may not be painted yet: a few looks, a second in all.
  for (int look = 0; look < 20; ++look) {
    const char* name = IconOnScreen(icon);
    if (name != nullptr) return name;
    Sleep(50);
  }
  return readable ? "other" : "shown, kind unreadable";
}

static void RecordBox(HWND box) {
  for (int i = 0; i < seenCount; ++i)
    if (seen[i] == box) return;
  if (seenCount < 16) seen[seenCount++] = box;
  if (current->boxes++ == 0) {
    Text(box, current->boxCaption, sizeof current->boxCaption);
    BoxParts parts = FindParts(box);
    Text(parts.text, current->boxText, sizeof current->boxText);
    current->boxIcon = IconName(parts.icon);
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
  // The progress dialog has its bar (1000: our own dialog's control, from resources/); a box has
  // its OK button (IDOK, the documented id MessageBox returns for it) and gets its caption after
  // its buttons.
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
