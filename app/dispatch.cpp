#include "dispatch.h"

#include <stdio.h>
#include <string.h>

#include "command_line.h"
#include "exit_codes.h"
#include "messages.h"
#include "platform.h"

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
  platform.showMessage(text, nullptr, ICON_ERROR);
}

static int Install(const char* infPath, const char* hardwareId, int silent) {
  if (!platform.infFileExists(infPath)) {
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
  return result != 0 ? EXIT_INSTALLED : EXIT_FAILED;
}

static int DispatchTokens(char** tokens, int count) {
  switch (count) {
    case 1:
      platform.showMessage(USAGE_TEXT, PARAMETERS_CAPTION, ICON_INFORMATION);
      return EXIT_USAGE;
    case 2:
      if (IsSwitch(tokens[1])) return EXIT_SWITCH_ONLY;
      platform.showMessage(MISSING_ARGUMENT_TEXT, PARAMETERS_CAPTION, ICON_INFORMATION);
      return EXIT_MISSING_ARGUMENT;
    case 3:
      if (IsSwitch(tokens[1]) || IsSwitch(tokens[2])) return EXIT_TWO_WITH_SWITCH;
      return Install(tokens[1], tokens[2], 0);
    case 4:
      if (!IsSwitch(tokens[3])) return EXIT_FAILED;
      return Install(tokens[1], tokens[2], 1);
    default:
      return EXIT_FAILED;
  }
}

int RunSetup() {
  rebootRequired = 0;
  char* tokens[4];
  int count = SplitCommandLine(platform.getCommandLine(), tokens, 4);
  return DispatchTokens(tokens, count);
}
