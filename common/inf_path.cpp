#include "inf_path.h"

#include <stdio.h>

#include "../diagnostics/diagnostic_log.h"
#include "platform.h"

int InfFileExists(const char* path) {
  FILE* file = fopen(path, "r");
  if (file == nullptr) return 0;
  fclose(file);
  return 1;
}

const char* InfPathAsTyped(const Tokens& t) {
  if (t.typed[1]) return t.narrow[1];
  const char* shortPath = platform.shortAnsiPath(t.wide[1]);
  LogInfRecovery(t.wide[1], shortPath);
  return shortPath;
}
