#include "restart_exit_code.h"

#include "platform.h"

static const long LOWEST_CHOSEN_CODE = 7;  // 1 to 6 are the program's own failures
static const long HIGHEST_CHOSEN_CODE = 2147483647;
// STILL_ACTIVE: a caller polling for the exit code would wait for ever.
static const long STILL_RUNNING_CODE = 259;

// The value of text when it holds nothing but the digits '0' to '9' and lies in
// range, else 0. The wide text, never the narrow one: there a fullwidth digit
// would arrive as its ASCII look-alike, and only what was typed counts.
static long ChosenCode(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return 0;
  long value = 0;
  for (; *text != L'\0'; ++text) {
    if (*text < L'0' || *text > L'9') return 0;
    long digit = *text - L'0';
    if (value > (HIGHEST_CHOSEN_CODE - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value >= LOWEST_CHOSEN_CODE && value != STILL_RUNNING_CODE ? value : 0;
}

int RestartExitCode() {
  long code = ChosenCode(platform.getEnvironmentVariable(L"DRVSETUP_RESTART_EXIT_CODE"));
  return code != 0 ? static_cast<int>(code) : 0;  // the code of success
}

int NoDeviceExitCode() {
  return static_cast<int>(ChosenCode(platform.getEnvironmentVariable(L"DRVSETUP_NO_DEVICE_EXIT_CODE")));
}
