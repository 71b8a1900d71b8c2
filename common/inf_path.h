#pragma once
#include "tokens.h"

// 1 when the file can be opened for reading; the check both programs make
// before they hand the INF's full path to Windows.
int InfFileExists(const char* path);

// The INF token as a path to open: the narrow token where it is as typed, else
// the file's short name where the code page holds it (logged), else null. The
// narrow token is never opened when it is not as typed, as it may name another file.
const char* InfPathAsTyped(const Tokens& tokens);
