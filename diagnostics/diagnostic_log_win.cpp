#include "diagnostic_log_win.h"

#include <windows.h>

// In fixed memory that lives until the process ends, like the tokens.
const char* ReadLogPath() {
  DWORD size = GetEnvironmentVariableA("DRVSETUP_LOG", nullptr, 0);
  char* path = size > 1 ? static_cast<char*>(GlobalAlloc(GMEM_FIXED, size)) : nullptr;
  if (path == nullptr) return nullptr;
  DWORD length = GetEnvironmentVariableA("DRVSETUP_LOG", path, size);
  return length > 0 && length < size ? path : nullptr;
}

// Opened for appending with read and write sharing, so that two runs at once
// each add whole lines and a reader can watch the file.
void AppendLogLine(const char* path, const char* text, size_t length) {
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
  CloseHandle(file);
}

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE process, PBOOL wow64);

// Bound at run time: Windows before XP SP2 lacks the function (and runs no
// WOW64). kernel32.dll is in every process, so no file is searched for.
static int IsWow64() {
  IsWow64ProcessFn isWow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  if (isWow64 == nullptr) return 0;
  if (!isWow64(GetCurrentProcess(), &wow64)) return -1;
  return wow64 ? 1 : 0;
}

void DescribeProcess(LogProcess* process) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  *process = {now.wYear,   now.wMonth,        now.wDay, now.wHour, now.wMinute,
              now.wSecond, now.wMilliseconds, GetCurrentProcessId(), IsWow64()};
}

unsigned long ReadLastError() { return GetLastError(); }

void ReadErrorText(unsigned long code, char* text, size_t size) {
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, static_cast<DWORD>(size), nullptr);
  text[length < size ? length : 0] = '\0';
}

size_t ConvertToUtf8(const wchar_t* text, char* out, size_t size) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, static_cast<int>(size), nullptr, nullptr);
  return length > 0 ? static_cast<size_t>(length - 1) : 0;
}
