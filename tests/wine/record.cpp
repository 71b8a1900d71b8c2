#include "record.h"

static void Escape(HANDLE file, const char* text) {
  for (const char* p = text; *p != '\0'; ++p) {
    const char* out = nullptr;
    if (*p == '\\') out = "\\\\";
    else if (*p == '\t') out = "\\t";
    else if (*p == '\n') out = "\\n";
    else if (*p == '\r') out = "\\r";
    DWORD written;
    if (out != nullptr) WriteFile(file, out, 2, &written, nullptr);
    else WriteFile(file, p, 1, &written, nullptr);
  }
}

void AppendRecord(const char* logPath, const char* const* fields, int count) {
  HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  for (int i = 0; i < count; ++i) {
    if (i > 0) WriteFile(file, "\t", 1, &written, nullptr);
    Escape(file, fields[i]);
  }
  WriteFile(file, "\n", 1, &written, nullptr);
  CloseHandle(file);
}

bool ReadEnv(const char* name, char* value, DWORD size) {
  DWORD length = GetEnvironmentVariableA(name, value, size);
  return length > 0 && length < size;
}
