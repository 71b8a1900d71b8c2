#pragma once
#include <wchar.h>

// The tokens of the narrow command line, and of the wide one where it was split.
struct Tokens {
  int count;
  char* narrow[4];
  wchar_t* wide[4];
  int typed[4];  // 1 when the narrow token is what was typed, so that it may be acted on
};

// Splits the command line as the platform gives it, narrow and wide, into at most
// maxTokens (up to 4) tokens, and tells the log. Returns 0 when the two split into
// different counts: the narrow line is then not what was typed.
int ReadTokens(Tokens* tokens, int maxTokens);

#define SILENT_SWITCH "/s"

// 1 when token i is the silent switch as typed: a look-alike of it is not the switch.
int IsSilentSwitch(const Tokens& tokens, int i);
