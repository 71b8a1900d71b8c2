#pragma once
#include <stddef.h>

#include "diagnostic_log.h"

// The Windows calls behind the diagnostic log's part of the platform seam.
const char* ReadLogPath();
void AppendLogLine(const char* path, const char* text, size_t length);
void DescribeProcess(LogProcess* process);
unsigned long ReadLastError();
void ReadErrorText(unsigned long code, char* text, size_t size);
