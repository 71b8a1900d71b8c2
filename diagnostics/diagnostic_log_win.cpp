#include "diagnostic_log_win.h"

#include <windows.h>

#include "build.h"
#include "log_lock.h"
#include "log_platform.h"

static DWORD lockPollsLeft = LOG_LOCK_WAIT_MS / LOG_LOCK_POLL_MS;  // for this whole run

// Polls for the lock while the run's waiting time lasts: a run never hangs on
// a log, and a lock refused for any other reason than another holder (a handle
// that may only append cannot lock) is not waited for. Counted in polls: the
// tick count moves too coarsely under Wine.
static BOOL LockLog(HANDLE file, OVERLAPPED* range) {
  for (;;) {
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, range))
      return TRUE;
    if (GetLastError() != ERROR_LOCK_VIOLATION || lockPollsLeft == 0) return FALSE;
    --lockPollsLeft;
    Sleep(LOG_LOCK_POLL_MS);
  }
}

// With read and write sharing, so that other runs and readers keep the file.
static HANDLE OpenLogFile(const wchar_t* path, DWORD access) {
  return CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The variable is read wide: the path is the one set, never a look-alike. One
// open a run, so that a share that does not answer costs its time once.
void* OpenLog() {
  DWORD size = GetEnvironmentVariableW(L"DRVSETUP_LOG", nullptr, 0);
  wchar_t* path = size > 1 ? static_cast<wchar_t*>(GlobalAlloc(GMEM_FIXED, 2 * size)) : nullptr;
  if (path == nullptr) return nullptr;
  DWORD length = GetEnvironmentVariableW(L"DRVSETUP_LOG", path, size);
  if (length == 0 || length >= size) return nullptr;
  // Read as well as write: over a network share a handle that may only write can be refused a write.
  HANDLE file = OpenLogFile(path, GENERIC_READ | GENERIC_WRITE);
  // A file this account may only append to is written unlocked.
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    file = OpenLogFile(path, FILE_APPEND_DATA);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  // A write to a pipe or a device can wait for ever on its reader.
  if (GetFileType(file) == FILE_TYPE_DISK) return file;
  CloseHandle(file);
  return nullptr;
}

static OVERLAPPED LockRange() {
  OVERLAPPED range = {};
  range.Offset = LOG_LOCK_OFFSET_LOW;
  range.OffsetHigh = LOG_LOCK_OFFSET_HIGH;
  return range;
}

// A handle for appending alone gives no atomic append under Wine or on a
// network share: each line goes to the end while the run holds the lock, or
// without it once the run has waited long enough.
int LockLogFile(void* log) {
  OVERLAPPED range = LockRange();
  return LockLog(static_cast<HANDLE>(log), &range);
}

void UnlockLogFile(void* log) {
  OVERLAPPED range = LockRange();
  UnlockFileEx(static_cast<HANDLE>(log), 0, 1, 0, &range);
}

// In 64 bits: past 4 GiB the 32-bit call fails.
int SeekLogEnd(void* log) {
  LARGE_INTEGER none = {};
  return SetFilePointerEx(static_cast<HANDLE>(log), none, nullptr, FILE_END) != 0;
}

void WriteLogLine(void* log, const char* text, size_t length) {
  DWORD written;
  WriteFile(static_cast<HANDLE>(log), text, static_cast<DWORD>(length), &written, nullptr);
}

static const char* MachineName(USHORT machine) {
  switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "x86";
    case IMAGE_FILE_MACHINE_AMD64: return "x64";
    case IMAGE_FILE_MACHINE_ARM64: return "arm64";
  }
  return nullptr;
}

typedef BOOL(WINAPI* IsWow64Process2Fn)(HANDLE process, USHORT* processMachine, USHORT* nativeMachine);
typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE process, PBOOL wow64);

// Both bound at run time from kernel32.dll, which is in every process, so no file is
// searched for. IsWow64Process2 (Windows 10 1511 on) alone tells x64 from arm64 Windows;
// where it is missing there is no arm64 Windows, and a WOW64 process is on x64 Windows
// (Windows before XP SP2 has neither function, and no WOW64).
static void DescribeArchitecture(LogProcess* process) {
  HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
  IsWow64Process2Fn isWow64Process2 = reinterpret_cast<IsWow64Process2Fn>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "IsWow64Process2")));
  IsWow64ProcessFn isWow64Process = reinterpret_cast<IsWow64ProcessFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel32, "IsWow64Process")));
  USHORT processMachine, nativeMachine;
  BOOL wow64 = FALSE;
  process->build = BUILD;
  if (isWow64Process2 != nullptr) {
    process->source = "IsWow64Process2";
    bool told = isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine);
    process->native = told ? MachineName(nativeMachine) : nullptr;
  } else {
    process->source = "IsWow64Process";
    bool told = isWow64Process == nullptr || isWow64Process(GetCurrentProcess(), &wow64);
    process->native = !told ? nullptr : wow64 ? "x64" : BUILD;
  }
}

void DescribeProcess(LogProcess* process) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  *process = {now.wYear,   now.wMonth,        now.wDay, now.wHour, now.wMinute,
              now.wSecond, now.wMilliseconds, GetCurrentProcessId(), nullptr, nullptr, nullptr};
  DescribeArchitecture(process);
}

unsigned long ReadLastError() { return GetLastError(); }

// Wide, then UTF-8 like the rest of the log: the ANSI text would be in another encoding.
void ReadErrorText(unsigned long code, char* text, size_t size) {
  wchar_t wide[512];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, wide, sizeof wide / sizeof *wide, nullptr);
  wide[length < sizeof wide / sizeof *wide ? length : 0] = L'\0';
  text[ConvertToUtf8(wide, text, size)] = '\0';
}

size_t ConvertToUtf8(const wchar_t* text, char* out, size_t size) {
  if (size == 0) return 0;  // a size of 0 would ask for the size needed
  int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, static_cast<int>(size), nullptr, nullptr);
  return length > 0 ? static_cast<size_t>(length - 1) : 0;
}

static void* AllocLogMemory(size_t bytes) { return GlobalAlloc(GMEM_FIXED, bytes); }

// Both programs log through the same Windows calls.
LogPlatform logPlatform = {OpenLog,       AllocLogMemory,  LockLogFile,   SeekLogEnd,
                           WriteLogLine,  UnlockLogFile,   DescribeProcess, ReadLastError,
                           ReadErrorText, ConvertToUtf8};
