#pragma once
#include <stddef.h>

#include "diagnostic_log.h"

// The Windows calls behind the diagnostic log's part of the platform seam.
void* OpenLog();
int LockLogFile(void* log);
int SeekLogEnd(void* log);
void WriteLogLine(void* log, const char* text, size_t length);
void UnlockLogFile(void* log);
void DescribeProcess(LogProcess* process);
unsigned long ReadLastError();
void ReadErrorText(unsigned long code, char* text, size_t size);
size_t ConvertToUtf8(const wchar_t* text, char* out, size_t size);
