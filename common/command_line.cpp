#include "command_line.h"

#include <string.h>

#include "platform.h"

// One routine for both widths: the narrow and the wide line split alike.
template <typename Char>
static int IsSeparator(Char c) {
  return c == ' ' || c == '\t';
}

template <typename Char>
static size_t Length(const Char* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

// A fixed-memory copy of the first length characters and a terminator; null on failure.
template <typename Char>
static Char* CopyFixed(const Char* text, size_t length) {
  Char* copy = static_cast<Char*>(platform.allocFixed((length + 1) * sizeof(Char)));
  if (copy == nullptr) return nullptr;
  memcpy(copy, text, length * sizeof(Char));
  copy[length] = 0;
  return copy;
}

// Cuts the copy in place: separators become NUL up to the start of the last
// token, which keeps the rest of the line, blanks and tabs included.
template <typename Char>
static int CutTokens(Char* copy, Char** tokens, int maxTokens) {
  int count = 0;
  Char previous = 0;
  for (Char* p = copy; *p != 0 && count < maxTokens; ++p) {
    if (IsSeparator(*p)) *p = 0;
    if (*p != 0 && previous == 0) tokens[count++] = p;
    previous = *p;
  }
  return count;
}

template <typename Char>
static int Split(const Char* line, Char** tokens, int maxTokens) {
  Char* copy = CopyFixed(line, Length(line));
  if (copy == nullptr) return 0;
  if (maxTokens <= 0) return 0;

  int count = CutTokens(copy, tokens, maxTokens);
  for (int i = 0; i < count; ++i) {
    if (tokens[i][0] != '"') continue;
    // Drops the leading quote and the last character, whatever it is.
    size_t length = Length(tokens[i]);
    Char* stripped = CopyFixed(tokens[i], length);
    if (stripped == nullptr) return 0;
    stripped[length - 1] = 0;
    tokens[i] = stripped + 1;
  }
  return count;
}

int SplitCommandLine(const char* line, char** tokens, int maxTokens) {
  return Split(line, tokens, maxTokens);
}

int SplitCommandLine(const wchar_t* line, wchar_t** tokens, int maxTokens) {
  return Split(line, tokens, maxTokens);
}
