#pragma once
#include <windows.h>

// Appends one tab-separated record to a log file: fields are escaped so
// that tabs, line feeds and backslashes in them cannot break the record.
void AppendRecord(const char* logPath, const char* const* fields, int count);

// Reads an environment variable whole into value; false when unset or too long.
bool ReadEnv(const char* name, char* value, DWORD size);
