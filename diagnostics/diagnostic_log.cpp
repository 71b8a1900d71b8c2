#include "diagnostic_log.h"

#include <stdarg.h>
#include <string.h>

#include "../common/install_flags.h"
#include "error_names.h"
#include "log_platform.h"

static const unsigned LINE_SIZE = 34000;  // longer lines are cut, still written whole
static void* logFile;                      // null while the log is off
static char* line;                         // fixed memory, never freed
static char* scratch;                      // the same block's second half: a wide text as UTF-8
static unsigned used;

static void PutChar(char c) {
  if (used < LINE_SIZE - 2) line[used++] = c;
}

static void Put(const char* text) {
  while (*text != '\0') PutChar(*text++);
}

// In base 10 or 16 (upper case), with at least minDigits digits.
static void PutNumber(unsigned long value, int minDigits, unsigned base) {
  char text[24], *start = text + sizeof text - 1;
  *start = '\0';
  for (int i = 0; i < minDigits || value != 0; ++i, value /= base)
    *--start = "0123456789ABCDEF"[value % base];
  Put(start);
}

// The line's one formatter: printf's %s, %d, %u, %lu and %lX, with a zero-padded width
// ("%08lX"). Not the C runtime's: msvcrt's _vsnprintf takes a va_list that Debian's arm64 Wine
// reads otherwise (it crashes there), and the toolchain's own would add 25 KB to each program.
static void Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      PutChar(*p);
      continue;
    }
    int width = 0;
    while (*++p >= '0' && *p <= '9') width = width * 10 + (*p - '0');
    if (width == 0) width = 1;  // a zero has one digit
    bool isLong = *p == 'l';
    if (isLong) ++p;
    if (*p == 's') {
      Put(va_arg(arguments, const char*));
    } else if (*p == 'd') {
      long value = isLong ? va_arg(arguments, long) : va_arg(arguments, int);
      if (value < 0) PutChar('-');
      PutNumber(value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value), width, 10);
    } else {  // 'u' or 'X'
      unsigned long value = isLong ? va_arg(arguments, unsigned long) : va_arg(arguments, unsigned);
      PutNumber(value, width, *p == 'X' ? 16 : 10);
    }
  }
  va_end(arguments);
}

// Between brackets, so that blanks at either end show. Control bytes go out as
// \xNN, so that no text can end a line or forge one; every other byte as it is.
static void PutQuoted(const char* text) {
  PutChar('[');
  for (; *text != '\0'; ++text) {
    unsigned char byte = static_cast<unsigned char>(*text);
    if (byte >= 0x20) {
      PutChar(*text);
    } else {
      Format("\\x%02X", byte);
    }
  }
  PutChar(']');
}

// As UTF-8, so that the log keeps one encoding; empty when it does not fit.
static void PutWide(const wchar_t* text) {
  // Where it does not fit, the platform may leave part of it, unterminated.
  scratch[logPlatform.wideToUtf8(text, scratch, LINE_SIZE)] = '\0';
  PutQuoted(scratch);
}

// Each line is one write at the end, so that runs logging at once leave whole
// lines; where the end cannot be found, the line would land over the log's start.
static void EndLine() {
  line[used++] = '\r';
  line[used++] = '\n';
  int locked = logPlatform.lockLog(logFile);
  if (logPlatform.seekLogEnd(logFile)) logPlatform.writeLog(logFile, line, used);
  if (locked) logPlatform.unlockLog(logFile);
  used = 0;
}

static void WriteLine(const char* first, const char* second = "") {
  if (logFile == nullptr) return;
  Put(first);
  Put(second);
  EndLine();
}

// The system's own text for code on one line, without its line breaks.
static void PutSystemText(unsigned long code) {
  char text[512];
  logPlatform.errorText(code, text, sizeof text);
  unsigned start = used;
  for (const char* p = text; *p != '\0'; ++p) PutChar(*p == '\r' || *p == '\n' ? ' ' : *p);
  while (used > start && line[used - 1] == ' ') --used;
  if (used == start) Put("(no text from the system)");
}

// "0xE0000235 ERROR_IN_WOW64", then the system's text, or with hints a hint
// line for the known causes: the hints speak of the driver update only.
static void PutError(unsigned long code, bool hints) {
  Format("0x%08lX", code);
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
    LogProcess process = {};  // asked again: nothing is kept from the block's head
    logPlatform.describeProcess(&process);
    Put(process.native != nullptr ? process.native : "64-bit");
    Put(" drvsetup.exe");
  }
  EndLine();
}

// "2024-03-09 07:05:04.032 local time, process 4242"
static void PutProcess(const LogProcess& process) {
  Format("%04u-%02u-%02u %02u:%02u:%02u.%03u local time, process %lu", process.year, process.month,
         process.day, process.hour, process.minute, process.second, process.millisecond, process.processId);
}

// "architecture: x86 build on x64 Windows (from IsWow64Process2)", and one more
// line when the two differ: the build that matches Windows is the one to ship (a
// 32-bit one cannot install drivers on 64-bit Windows, and an x64 one on arm64
// Windows runs emulated, if at all).
static void PutArchitectures(const LogProcess& process) {
  Put("architecture: ");
  Put(process.build);
  Put(" build on ");
  Put(process.native != nullptr ? process.native : "unknown");
  Put(" Windows (from ");
  Put(process.source);
  Put(")");
  EndLine();
  if (process.native == nullptr || strcmp(process.native, process.build) == 0) return;
  Put("mismatch: use the ");
  Put(process.native);
  Put(" drvsetup.exe");
  EndLine();
}

void LogStart(const char* program) {
  logFile = logPlatform.openLog();
  if (logFile == nullptr) return;
  line = static_cast<char*>(logPlatform.allocFixed(2 * LINE_SIZE));
  if (line == nullptr) {
    logFile = nullptr;  // no memory: no log
    return;
  }
  scratch = line + LINE_SIZE;
  LogProcess process = {};
  logPlatform.describeProcess(&process);
  Put("---- ");
  Put(program);
  Put(" run ");
  PutProcess(process);
  EndLine();
  PutArchitectures(process);
}

void LogCommandLine(const char* commandLine, char* const* tokens, int count) {
  if (logFile == nullptr) return;
  Put("command line: ");
  PutQuoted(commandLine);
  EndLine();
  Format("tokens: %d", count);
  EndLine();
  for (int i = 0; i < count; ++i) {
    Format("token %d: ", i);
    PutQuoted(tokens[i]);
    EndLine();
  }
}

void LogTokenAsTyped(int index, const wchar_t* wide) {
  if (logFile == nullptr) return;
  Format("token %d as typed is another text: ", index);
  PutWide(wide);
  EndLine();
}

void LogUnattended() {
  WriteLine("window station without a screen (a service, or SYSTEM's session): no box and no "
            "dialog is shown, and the update is told not to show a window, as nobody could answer");
}

void LogSessionZero(unsigned long console) {
  if (logFile == nullptr) return;
  Format("session 0, while the console is session %lu", console);
  Put(": nobody sees its windows, so no box and no dialog is shown, and the update is told not "
      "to show a window, as nobody could answer");
  EndLine();
}

void LogRoad(const char* road) { WriteLine("road: ", road); }

void LogInfRecovery(const wchar_t* wide, const char* shortPath) {
  if (logFile == nullptr) return;
  Put(shortPath != nullptr ? "INF path recovered through its short name: "
                           : "INF path not recovered through a short name: ");
  PutWide(wide);
  if (shortPath == nullptr) {
    Put(" has none in the ANSI code page");
  } else {
    Put(" is ");
    PutQuoted(shortPath);
  }
  EndLine();
}

void LogInfCheck(const char* path, int opened) {
  if (logFile == nullptr) return;
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

void LogBox(const char* box, int unattended) {
  WriteLine(box, unattended ? " box not shown: nobody can see it" : " box shown, waiting for OK");
}

void LogNoFullPath(const char* path) {
  if (logFile == nullptr) return;
  unsigned long error = logPlatform.lastError();
  Put("INF full path: ");
  PutQuoted(path);
  Put(" cannot be resolved, so no update: ");
  PutError(error, false);
}

void LogLibrary(const char* path, unsigned long loadError) {
  if (logFile == nullptr) return;
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

void LogUpdateCall(const char* hardwareId, const char* infPath, unsigned long flags, int report) {
  if (logFile == nullptr) return;
  Put("update: calling it with hardware ID ");
  PutQuoted(hardwareId);
  Put(", INF ");
  PutQuoted(infPath);
  EndLine();
  bool forced = flags & INSTALLFLAG_FORCE, quiet = flags & INSTALLFLAG_NONINTERACTIVE;
  Format("update: flags %lu (%s%s%s", flags, forced ? "INSTALLFLAG_FORCE" : "", forced && quiet ? " | " : "",
         quiet ? "INSTALLFLAG_NONINTERACTIVE" : "");
  if (!forced) Put(quiet ? "; not forced: DRVSETUP_ONLY_IF_BETTER=1" : "not forced: DRVSETUP_ONLY_IF_BETTER=1");
  Put("), no owner window, ");
  Put(report ? "restart report address" : "no restart report address");
  if (forced) Put(quiet ? " (unattended)" : report ? " (silent)" : " (normal)");
  EndLine();
}

// "update: returned TRUE", or FALSE with the error and its hint, and the restart report.
static void PutResult(const char* call, int result, unsigned long lastError, const int* rebootRequired) {
  Put(call);
  if (result != 0) {
    Put(": returned TRUE");
    EndLine();
  } else {
    Put(": returned FALSE, last error ");
    PutError(lastError, true);
  }
  if (rebootRequired == nullptr) return;
  Format("%s: restart report left by the %s: %d (%s)", call, call, *rebootRequired,
         *rebootRequired ? "restart needed" : "no restart needed");
  EndLine();
}

void LogUpdateResult(int result, unsigned long lastError, const int* rebootRequired) {
  if (logFile != nullptr) PutResult("update", result, lastError, rebootRequired);
}

void LogRemovalSearch(const char* infPath) {
  if (logFile == nullptr) return;
  Put("removal: looking for ");
  PutQuoted(infPath);
  Put(" in the driver store: its published name from SetupCopyOEMInfA with SP_COPY_NOOVERWRITE | "
      "SP_COPY_REPLACEONLY, and every INF of the same text in the INF folder");
  EndLine();
}

void LogRemovalCopied(const char* published, int overwrote, int undone) {
  if (logFile == nullptr) return;
  Put("removal: SetupCopyOEMInfA copied the INF as ");
  PutQuoted(published);
  if (overwrote) {
    Put(" over a file that was there, in spite of SP_COPY_NOOVERWRITE: nothing is removed");
  } else {
    Put(" in spite of SP_COPY_REPLACEONLY (Wine's road): that new copy ");
    Put(undone ? "was taken out again (SUOI_FORCEDELETE)" : "could not be taken out again: it stays");
  }
  EndLine();
}

void LogRemovalCopyLeft(const char* path, int afterRemoval) {
  if (logFile == nullptr) return;
  Put("removal: ");
  PutQuoted(path);
  Put(afterRemoval ? " holds this INF's very text and is still in the INF folder after the removal"
                   : " holds this INF's very text, yet SetupCopyOEMInfA does not name it as this package's "
                     "published copy (another catalog, or not in the driver store): it stays");
  EndLine();
}

void LogRemovalNoRestartReport() {
  WriteLine("removal: SetupUninstallOEMInfA gives no restart report: whether Windows must restart is not "
            "known here, and none is asked for");
}

void LogRemovalRestartNotAsked() {
  WriteLine("removal: Windows must restart to finish the removal; in normal mode this program asks for "
            "none and shows no prompt (exit code 0): restart Windows later");
}

void LogRemovalFound(const char* published, unsigned long error) {
  if (logFile == nullptr) return;
  if (published != nullptr) {
    Put("removal: published as ");
    PutQuoted(published);
    EndLine();
  } else if (error == 0) {
    WriteLine("removal: no copy of this package is in the driver store: nothing to remove");
  } else {
    Put("removal: the driver store cannot be searched: ");
    PutError(error, true);
  }
}

void LogRemovalCall(const char* function, const char* argument, int report) {
  if (logFile == nullptr) return;
  if (function == nullptr) {
    WriteLine("removal: neither DiUninstallDriverA nor SetupUninstallOEMInfA can be had");
    return;
  }
  Put("removal: calling ");
  Put(function);
  Put(" with ");
  PutQuoted(argument);
  if (strcmp(function, "DiUninstallDriverA") == 0) {
    Put(", flags 0, no owner window, ");
    Put(report ? "restart report address" : "no restart report address");
  } else {
    Put(", flags 0 (not SUOI_FORCEDELETE: a package that a device still uses is refused)");
  }
  EndLine();
}

void LogRemovalResult(int result, unsigned long lastError, const int* rebootRequired) {
  if (logFile != nullptr) PutResult("removal", result, lastError, rebootRequired);
}

void LogRemovalLeft(const char* published) {
  if (logFile == nullptr) return;
  Put("removal: yet ");
  PutQuoted(published);
  Put(" is still in the driver store: the package was not removed");
  EndLine();
}

void LogKeptDriver() {
  WriteLine("update: the device kept its driver: Windows ranks it as good as this package's or "
            "better (ERROR_NO_MORE_ITEMS without INSTALLFLAG_FORCE), so nothing was installed");
}

void LogStaging(const char* infPath, const char* published, unsigned long error) {
  if (logFile == nullptr) return;
  Put("staging: no device has the ID yet: adding ");
  PutQuoted(infPath);
  Put(" to the driver store (SetupCopyOEMInfA)");
  EndLine();
  if (published != nullptr) {
    Put("staging: published as ");
    PutQuoted(published);
    Put(": Windows installs it when the device is plugged in");
    EndLine();
    return;
  }
  Put("staging: failed: ");
  PutError(error, true);
}


void LogOfferSections(int systemChose, const char* architecture, unsigned long major, unsigned long minor,
                      unsigned long build) {
  if (logFile == nullptr) return;
  Put("offer check: the models sections for NT");
  Put(architecture);
  Format(" on Windows %lu.%lu.%lu", major, minor, build);
  Put(systemChose ? ", as SetupDiGetActualModelsSectionA chooses them"
                  : ", chosen by their decorations (the system has no SetupDiGetActualModelsSectionA)");
  EndLine();
}

void LogModelsSection(const char* entry, const char* section, int lines) {
  if (logFile == nullptr) return;
  Put("offer check: [Manufacturer] entry ");
  PutQuoted(entry);
  if (section == nullptr) {
    Put(" names no models section for this platform");
  } else {
    Put(": read ");
    PutQuoted(section);
    Format(", %d %s", lines, lines == 1 ? "line" : "lines");
  }
  EndLine();
}

void LogOfferVerdict(const char* hardwareId, const char* section, const char* architecture) {
  if (logFile == nullptr) return;
  Put("offer check: ");
  PutQuoted(hardwareId);
  if (section != nullptr) {
    Put(" is offered by ");
    PutQuoted(section);
  } else {
    Put(" is on no line of the models sections for NT");
    Put(architecture);
    Put(" read above, so no device with it would ever get this package here: nothing is staged; "
        "compare the ID with Device Manager's Hardware Ids and the INF's models sections");
  }
  EndLine();
}

void LogOfferError(const char* what, unsigned long error) {
  if (logFile == nullptr) return;
  Put("offer check: nothing is staged: ");
  Put(what);
  if (error == 0) {
    EndLine();
    return;
  }
  Put(": ");
  PutError(error, false);
}

void LogNoStagingUnderWow64() {
  if (logFile == nullptr) return;
  LogProcess process = {};
  logPlatform.describeProcess(&process);
  Put("staging: refused: a 32-bit program cannot stage drivers on 64-bit Windows: use the ");
  Put(process.native != nullptr ? process.native : "64-bit");
  Put(" drvsetup.exe");
  EndLine();
}

void LogDeviceStatus(const char* instanceId, const char* matchedId, int compatible, int read,
                     unsigned long status, unsigned long problem) {
  if (logFile == nullptr) return;
  const unsigned long STARTED = 0x8, HAS_PROBLEM = 0x400;  // DN_STARTED, DN_HAS_PROBLEM
  Put("device: ");
  PutQuoted(instanceId);
  Put(compatible ? " has it as a compatible ID " : " has it as a hardware ID ");
  PutQuoted(matchedId);
  if (!read) {
    Format(": its status cannot be read (CM_Get_DevNode_Status gave %lu)", status);
    EndLine();
    return;
  }
  Format(": status 0x%08lX", status);
  if (status == 0) {  // no present device has none of the flags: Wine's answer
    Put(", no flag at all: the system does not tell whether the driver runs");
    EndLine();
    return;
  }
  Put(status & STARTED ? ", started" : ", not started");
  if (!(status & HAS_PROBLEM)) {
    Put(", no problem");
    EndLine();
    return;
  }
  Format(", problem %lu", problem);
  const ProblemName* known = FindProblemName(problem);
  if (known != nullptr) {
    Put(" ");
    Put(known->name);
  }
  EndLine();
  if (known != nullptr) WriteLine("hint: ", known->hint);
}

void LogDeviceNote(const char* note) { WriteLine("device: ", note); }

int LogIsOn() { return logFile != nullptr; }

int LogExit(int exitCode, const char* meaning) {
  if (logFile == nullptr) return exitCode;
  Format("exit code %d: %s", exitCode, meaning);
  EndLine();
  return exitCode;
}
