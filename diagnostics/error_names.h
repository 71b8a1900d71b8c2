#pragma once

// A platform error code that the driver update is known to leave, with its
// name as the platform headers spell it and, for the usual causes, what to do.
struct ErrorName {
  unsigned code;
  const char* name;
  const char* hint;  // null when there is no advice beyond the name
};

// The entry for code, or null when the table does not know it.
const ErrorName* FindErrorName(unsigned long code);

// 1 when the entry's hint ends where the build for this Windows is to be named.
int HintNamesBuild(const ErrorName* entry);

// A device's problem code as Device Manager shows it ("Code 52"), with its name as the
// platform headers spell it and what to do.
struct ProblemName {
  unsigned long code;
  const char* name;
  const char* hint;
};

// The entry for the problem, or null when the table does not know it.
const ProblemName* FindProblemName(unsigned long problem);
