#include "dispatch.h"

#include <stdio.h>
#include <string.h>

#include "command_line.h"
#include "../diagnostics/diagnostic_log.h"
#include "exit_codes.h"
#include "messages.h"
#include "platform.h"
#include "restart_exit_code.h"

static int rebootRequired;

static int IsSwitch(const char* token) { return strcmp(token, SILENT_SWITCH) == 0; }

int InfFileExists(const char* path) {
  FILE* file = fopen(path, "r");
  if (file == nullptr) return 0;
  fclose(file);
  return 1;
}

// "Le chemin <path> n'existe pas! " in a buffer sized to the path.
static void ShowPathError(const char* path) {
  size_t prefix = strlen(PATH_ERROR_PREFIX), length = strlen(path);
  char* text = static_cast<char*>(platform.allocFixed(prefix + length + sizeof PATH_ERROR_SUFFIX));
  if (text == nullptr) return;  // no memory for the text: the exit code alone tells
  memcpy(text, PATH_ERROR_PREFIX, prefix);
  memcpy(text + prefix, path, length);
  memcpy(text + prefix + length, PATH_ERROR_SUFFIX, sizeof PATH_ERROR_SUFFIX);
  LogBox("path error");
  platform.showMessage(text, nullptr, ICON_ERROR);
}

// A '?' never belongs to a file name: there the narrow line lost a character
// outside the ANSI code page. The wide line still holds it, and the file's
// short name may fit the code page. When any step fails, the token stays.
static const char* RecoverInfPath(const char* token, int count) {
  const char* p = token;
  while (*p != '\0' && *p != '?') ++p;
  if (*p == '\0') return token;
  wchar_t* wideTokens[4];
  const wchar_t* wide = nullptr;
  if (SplitCommandLine(platform.getWideCommandLine(), wideTokens, 4) == count) wide = wideTokens[1];
  const char* shortPath = wide != nullptr ? platform.shortAnsiPath(wide) : nullptr;
  LogInfRecovery(wide, shortPath);
  return shortPath != nullptr ? shortPath : token;
}

static int Install(const char* infPath, const char* hardwareId, int silent) {
  infPath = RecoverInfPath(infPath, silent ? 4 : 3);
  int opened = platform.infFileExists(infPath);
  LogInfCheck(infPath, opened);
  if (!opened) {
    ShowPathError(infPath);
    return EXIT_NO_INF;
  }
  // The update resolves a bare name against the system's INF folder, not the
  // working directory: hand it the file that was just checked.
  const char* fullPath = platform.fullPath(infPath);
  platform.startProgress();
  int result = platform.installDriver(fullPath != nullptr ? fullPath : infPath, hardwareId,
                                      silent ? &rebootRequired : nullptr);
  platform.stopProgress();
  if (result == 0) return EXIT_FAILED;
  // Only silent mode reads the report: in normal mode the update prompts itself.
  return silent && rebootRequired ? RestartExitCode() : EXIT_INSTALLED;
}

static void ShowParametersBox(const char* box, const char* text) {
  LogBox(box);
  platform.showMessage(text, PARAMETERS_CAPTION, ICON_INFORMATION);
}

// Tells the log which row of the table was taken, for the rows that end at once.
static int Road(const char* road, int exitCode) {
  LogRoad(road);
  return exitCode;
}

static int DispatchTokens(char** tokens, int count) {
  switch (count) {
    case 1:
      LogRoad("program name only");
      ShowParametersBox("usage", USAGE_TEXT);
      return EXIT_USAGE;
    case 2:
      if (IsSwitch(tokens[1])) return Road("one argument, /s", EXIT_SWITCH_ONLY);
      LogRoad("one argument, not /s");
      ShowParametersBox("missing-argument", MISSING_ARGUMENT_TEXT);
      return EXIT_MISSING_ARGUMENT;
    case 3:
      if (IsSwitch(tokens[1]) || IsSwitch(tokens[2]))
        return Road("two arguments, one of them /s", EXIT_TWO_WITH_SWITCH);
      LogRoad("INF path and hardware ID: normal install");
      return Install(tokens[1], tokens[2], 0);
    case 4:
      if (!IsSwitch(tokens[3]))
        return Road("the rest of the line after the hardware ID is not exactly /s", EXIT_FAILED);
      LogRoad("INF path, hardware ID and /s: silent install");
      return Install(tokens[1], tokens[2], 1);
    default:
      return Road("no token: the line is empty or blank, or memory ran out splitting it",
                  EXIT_FAILED);
  }
}

int RunSetup() {
  rebootRequired = 0;
  LogStart();
  const char* line = platform.getCommandLine();
  char* tokens[4];
  int count = SplitCommandLine(line, tokens, 4);
  LogCommandLine(line, tokens, count);
  return LogExit(DispatchTokens(tokens, count));
}
