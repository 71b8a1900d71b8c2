#include "clock.h"

#include <string.h>

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double FileTimeMs(FILETIME time) {
  ULONGLONG ticks = (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<double>(ticks) / 10000.0;
}

bool StartLine(const char* line, DWORD flags, PROCESS_INFORMATION* process) {
  static char app[MAX_PATH], copy[2048];
  size_t length = strcspn(line, " ");
  if (length >= sizeof app || strlen(line) >= sizeof copy) return false;
  memcpy(app, line, length);
  app[length] = '\0';
  strcpy(copy, line);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  return CreateProcessA(app, copy, nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                        process) != 0;
}
