#include "diagnostic_log.h"

#include "error_names.h"
#include "log_platform.h"

static const unsigned LINE_SIZE = 34000;  // longer lines are cut, still written whole
static const char* logPath;                // null while the log is off
static char* line;                         // fixed memory, never freed
static unsigned used;
static const char* nativeArch;             // Windows' native architecture, null when not known

static void Put(const char* text) {
  while (*text != '\0' && used < LINE_SIZE - 2) line[used++] = *text++;
}

static void PutNumber(unsigned long value, int minDigits) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 || count < minDigits);
  char text[24];
  for (int i = 0; i < count; ++i) text[i] = digits[count - 1 - i];
  text[count] = '\0';
  Put(text);
}

static void PutHex8(unsigned long value) {
  char text[11] = "0x";
  for (int i = 0; i < 8; ++i) text[2 + i] = "0123456789ABCDEF"[(value >> (28 - 4 * i)) & 0xF];
  text[10] = '\0';
  Put(text);
}

// Bytes go out as they are, between brackets so that blanks at either end show.
static void PutQuoted(const char* text) {
  Put("[");
  Put(text);
  Put("]");
}

// Each line is one write, so that runs logging at once leave whole lines.
static void EndLine() {
  line[used++] = '\r';
  line[used++] = '\n';
  logPlatform.appendLog(logPath, line, used);
  used = 0;
}

static void WriteLine(const char* first, const char* second = "") {
  if (logPath == nullptr) return;
  Put(first);
  Put(second);
  EndLine();
}

// The system's own text for code on one line, without its line breaks.
static void PutSystemText(unsigned long code) {
  char text[512];
  logPlatform.errorText(code, text, sizeof text);
  for (char* p = text; *p != '\0'; ++p)
    if (*p == '\r' || *p == '\n') *p = ' ';
  unsigned length = 0;
  while (text[length] != '\0') ++length;
  while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
  Put(length > 0 ? text : "(no text from the system)");
}

// "0xE0000235 ERROR_IN_WOW64", then the system's text, or with hints a hint
// line for the known causes: the hints speak of the driver update only.
static void PutError(unsigned long code, bool hints) {
  PutHex8(code);
  const ErrorName* known = FindErrorName(code);
  if (known != nullptr) {
    Put(" ");
    Put(known->name);
  }
  const char* hint = hints && known != nullptr ? known->hint : nullptr;
  if (hint == nullptr) {
    Put(": ");
    PutSystemText(code);
  }
  EndLine();
  if (hint == nullptr) return;
  Put("hint: ");
  Put(hint);
  if (HintNamesBuild(known)) {
    Put(nativeArch != nullptr ? nativeArch : "64-bit");
    Put(" drvsetup.exe");
  }
  EndLine();
}

// "2024-03-09 07:05:04.032 local time, process 4242"
static void PutProcess(const LogProcess& process) {
  const unsigned fields[] = {process.year,   process.month,  process.day,        process.hour,
                             process.minute, process.second, process.millisecond};
  const char* const before[] = {"", "-", "-", " ", ":", ":", "."};
  const int digits[] = {4, 2, 2, 2, 2, 2, 3};
  for (int i = 0; i < 7; ++i) {
    Put(before[i]);
    PutNumber(fields[i], digits[i]);
  }
  Put(" local time, process ");
  PutNumber(process.processId, 1);
}

static bool SameText(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

// "architecture: x86 build on x64 Windows (from IsWow64Process2)", and one more
// line when the two differ: the build that matches Windows is the one to ship (a
// 32-bit one cannot install drivers on 64-bit Windows, and an x64 one on arm64
// Windows runs emulated, if at all).
static void PutArchitectures(const LogProcess& process) {
  nativeArch = process.native;
  Put("architecture: ");
  Put(process.build);
  Put(" build on ");
  Put(nativeArch != nullptr ? nativeArch : "unknown");
  Put(" Windows (from ");
  Put(process.source);
  Put(")");
  EndLine();
  if (nativeArch == nullptr || SameText(nativeArch, process.build)) return;
  Put("mismatch: use the ");
  Put(nativeArch);
  Put(" drvsetup.exe");
  EndLine();
}

void LogStart() {
  logPath = logPlatform.logPath();
  if (logPath == nullptr) return;
  line = static_cast<char*>(logPlatform.allocFixed(LINE_SIZE));
  if (line == nullptr) {
    logPath = nullptr;  // no memory: no log
    return;
  }
  LogProcess process = {};
  logPlatform.describeProcess(&process);
  Put("---- drvsetup run ");
  PutProcess(process);
  EndLine();
  PutArchitectures(process);
}

void LogCommandLine(const char* commandLine, char* const* tokens, int count) {
  if (logPath == nullptr) return;
  Put("command line: ");
  PutQuoted(commandLine);
  EndLine();
  Put("tokens: ");
  PutNumber(static_cast<unsigned long>(count), 1);
  EndLine();
  for (int i = 0; i < count; ++i) {
    Put("token ");
    PutNumber(static_cast<unsigned long>(i), 1);
    Put(": ");
    PutQuoted(tokens[i]);
    EndLine();
  }
}

void LogRoad(const char* road) { WriteLine("road: ", road); }

void LogInfRecovery(const wchar_t* wide, const char* shortPath) {
  if (logPath == nullptr) return;
  Put(shortPath != nullptr ? "INF path recovered through its short name: "
                           : "INF path not recovered through a short name: ");
  if (wide == nullptr) {
    Put("the wide command line gives no such token");
  } else {
    // As UTF-8, so that the log keeps one encoding.
    Put("[");
    used += static_cast<unsigned>(logPlatform.wideToUtf8(wide, line + used, LINE_SIZE - 2 - used));
    Put("]");
    if (shortPath == nullptr) Put(" has none in the ANSI code page");
  }
  if (shortPath != nullptr) {
    Put(" is ");
    PutQuoted(shortPath);
  }
  EndLine();
}

void LogInfCheck(const char* path, int opened) {
  if (logPath == nullptr) return;
  unsigned long error = opened ? 0 : logPlatform.lastError();  // before anything else can change it
  Put("INF check: ");
  PutQuoted(path);
  if (opened) {
    Put(" can be opened for reading");
    EndLine();
    return;
  }
  Put(" cannot be opened for reading: ");
  PutError(error, false);
}

void LogBox(const char* box) { WriteLine(box, " box shown, waiting for OK"); }

void LogLibrary(const char* path, unsigned long loadError) {
  if (logPath == nullptr) return;
  if (path != nullptr) {
    WriteLine("update: library loaded: ", path);
    return;
  }
  Put("update: newdev.dll not loaded from the system directory: ");
  PutError(loadError, false);
}

void LogFunction(int found) {
  WriteLine("update: UpdateDriverForPlugAndPlayDevicesA ", found ? "found" : "not found");
}

void LogUpdateCall(const char* hardwareId, const char* infPath, int silent) {
  if (logPath == nullptr) return;
  Put("update: calling it with hardware ID ");
  PutQuoted(hardwareId);
  Put(", INF ");
  PutQuoted(infPath);
  EndLine();
  WriteLine("update: flags 1 (INSTALLFLAG_FORCE), no owner window, ",
            silent ? "restart report address (silent)" : "no restart report address (normal)");
}

void LogUpdateResult(int result, unsigned long lastError, const int* rebootRequired) {
  if (logPath == nullptr) return;
  if (result != 0) {
    WriteLine("update: returned TRUE");
  } else {
    Put("update: returned FALSE, last error ");
    PutError(lastError, true);
  }
  if (rebootRequired == nullptr) return;
  Put("update: restart report left by the update: ");
  PutNumber(static_cast<unsigned long>(*rebootRequired), 1);
  Put(*rebootRequired ? " (restart needed)" : " (no restart needed)");
  EndLine();
}

static const char* const exitMeanings[] = {
    "installed", "usage shown", "/s alone: nothing done", "missing argument",
    "two arguments with /s: nothing done", "failure (see the road and the update above)",
    "the INF file cannot be opened"};

int LogExit(int exitCode) {
  if (logPath == nullptr) return exitCode;
  Put("exit code ");
  PutNumber(static_cast<unsigned long>(exitCode), 1);
  Put(": ");
  // Only a silent install that needs a restart ends beyond 6, with the installer's chosen code.
  Put(exitCode >= 0 && exitCode <= 6 ? exitMeanings[exitCode]
                                     : "installed, restart needed: DRVSETUP_RESTART_EXIT_CODE in place of 0");
  EndLine();
  return exitCode;
}
