#include "tokens.h"

#include <string.h>

#include "command_line.h"
#include "../diagnostics/diagnostic_log.h"
#include "platform.h"

static int IsAscii(const wchar_t* line) {
  for (; *line != 0; ++line)
    if (*line >= 0x80) return 0;
  return 1;
}

static int HasToken(const wchar_t* line) {
  for (; *line != 0; ++line)
    if (*line != ' ' && *line != '\t') return 1;
  return 0;
}

// The narrow line is the wide one converted with best fit: a character outside
// the ANSI code page arrives as '?' or as a look-alike ('Ā' as 'A', U+3000 as a
// blank, a fullwidth '／' as '/') that names another file, ID or switch. So a
// token counts only when its wide form converts to it exactly.
static int CompareWithWide(Tokens* t, int maxTokens) {
  for (int& typed : t->typed) typed = 1;
  const wchar_t* wide = platform.getWideCommandLine();
  if (wide == nullptr) return 1;
  int count = SplitCommandLine(wide, t->wide, maxTokens);
  if (count == 0 && HasToken(wide)) return 1;  // no memory to split it: as before
  if (count != t->count) return 0;
  if (IsAscii(wide)) return 1;  // then the narrow line is the same text
  for (int i = 1; i < count; ++i) {  // token 0, the program's own path, is never acted on
    const char* exact = platform.exactAnsi(t->wide[i]);
    t->typed[i] = exact != nullptr && strcmp(exact, t->narrow[i]) == 0;
    if (!t->typed[i]) LogTokenAsTyped(i, t->wide[i]);
  }
  return 1;
}

int ReadTokens(Tokens* t, int maxTokens) {
  const char* line = platform.getCommandLine();
  t->count = SplitCommandLine(line, t->narrow, maxTokens);
  LogCommandLine(line, t->narrow, t->count);
  return CompareWithWide(t, maxTokens);
}

int IsSilentSwitch(const Tokens& t, int i) { return t.typed[i] && strcmp(t.narrow[i], SILENT_SWITCH) == 0; }
