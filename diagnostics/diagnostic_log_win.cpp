#include "diagnostic_log_win.h"

#include <windows.h>

#include "../common/architecture.h"
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

void DescribeProcess(LogProcess* process) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  *process = {now.wYear,   now.wMonth,        now.wDay, now.wHour, now.wMinute,
              now.wSecond, now.wMilliseconds, GetCurrentProcessId(), nullptr, nullptr, nullptr};
  Architecture architecture;
  ReadArchitecture(&architecture);
  process->build = architecture.build;
  process->native = architecture.native;
  process->source = architecture.source;
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
