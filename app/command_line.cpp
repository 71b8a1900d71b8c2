#include "command_line.h"

#include <string.h>

#include "platform.h"

static int IsSeparator(char c) { return c == ' ' || c == '\t'; }

// Cuts the copy in place: separators become NUL up to the start of the last
// token, which keeps the rest of the line, blanks and tabs included.
static int CutTokens(char* copy, char** tokens, int maxTokens) {
  int count = 0;
  char previous = '\0';
  for (char* p = copy; *p != '\0' && count < maxTokens; ++p) {
    if (IsSeparator(*p)) *p = '\0';
    if (*p != '\0' && previous == '\0') tokens[count++] = p;
    previous = *p;
  }
  return count;
}

// Drops the leading quote and the last character, whatever it is.
static char* StripQuotes(const char* token) {
  size_t length = strlen(token);
  char* copy = static_cast<char*>(platform.allocFixed(length + 1));
  if (copy == nullptr) return nullptr;
  memcpy(copy, token, length + 1);
  copy[length - 1] = '\0';
  return copy + 1;
}

int SplitCommandLine(const char* line, char** tokens, int maxTokens) {
  size_t length = strlen(line);
  char* copy = static_cast<char*>(platform.allocFixed(length + 1));
  if (copy == nullptr) return 0;
  memcpy(copy, line, length + 1);
  if (maxTokens <= 0) return 0;

  int count = CutTokens(copy, tokens, maxTokens);
  for (int i = 0; i < count; ++i) {
    if (tokens[i][0] != '"') continue;
    char* stripped = StripQuotes(tokens[i]);
    if (stripped == nullptr) return 0;
    tokens[i] = stripped;
  }
  return count;
}
