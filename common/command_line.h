#pragma once

// Splits a raw command line at blanks and tabs into at most maxTokens tokens;
// the last one runs to the end of the line. Tokens that begin with a double
// quote lose their first and last characters. Returns the count stored, or 0
// when fixed memory cannot be had (then no token is usable).
int SplitCommandLine(const char* line, char** tokens, int maxTokens);

// The same rules over the wide command line, the same blocks of fixed memory
// (sized in wide characters).
int SplitCommandLine(const wchar_t* line, wchar_t** tokens, int maxTokens);
