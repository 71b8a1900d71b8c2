// Fuzzes RunSetup: the first byte says whether the INF exists, what the
// driver update returns and now and then which allocation fails; the rest is
// the command line.
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dispatch.h"
#include "fake_platform.h"
#include "messages.h"
#include "reference.h"
#include "report.h"
#include "setup_table.h"

enum Box { NO_BOX, USAGE, MISSING, PATH, UNKNOWN_BOX };
const Box kTableBoxes[] = {NO_BOX, USAGE, MISSING};  // by TableBox

struct Outcome {
  int exitCode;
  Box box;
  bool fileChecked, installed, silent;
  std::string road;  // the log's road line
};

// The program's own table, read here over the reference split: the first row that fits decides.
static bool Fits(const TableRow& row, const std::vector<std::string>& tokens) {
  if (static_cast<int>(tokens.size()) != row.count) return false;
  for (int i = 0; row.tokens[i] != '\0'; ++i) {
    bool isSwitch = tokens[i + 1] == "/s";
    if ((row.tokens[i] == 'S' && !isSwitch) || (row.tokens[i] == 'n' && isSwitch)) return false;
  }
  return true;
}

static const TableRow* FindRule(const std::vector<std::string>& tokens) {
  const TableRow* row = std::find_if(std::begin(setupTable), std::end(setupTable),
                                     [&](const TableRow& r) { return Fits(r, tokens); });
  Require(row != std::end(setupTable), "the table covers every token count");
  return row;
}

// A token that holds '?' is not as typed (the wide line holds another character
// there) unless the wide line could not be split.
static Outcome Expect(const std::vector<std::string>& tokens, bool infExists, int driverResult,
                      bool pathTextFails, bool wideSplit) {
  const TableRow* rule = FindRule(tokens);
  const std::string road = std::string("road: ") + rule->road + "\r\n";
  if (rule->outcome == STOP) return {rule->exitCode, kTableBoxes[rule->box], false, false, false, road};
  auto typed = [&](int i) { return !wideSplit || tokens[i].find('?') == std::string::npos; };
  if (!typed(2)) return {5, NO_BOX, false, false, false, "road: the hardware ID is not as typed: no update\r\n"};
  if (!typed(1)) return {6, pathTextFails ? NO_BOX : PATH, false, false, false, road};
  if (!infExists) return {6, pathTextFails ? NO_BOX : PATH, true, false, false, road};
  return {driverResult != 0 ? rule->exitCode : 5, NO_BOX, true, true, rule->outcome == GO_SILENT, road};
}

// The text as typed: each byte widened, each '?' a character that the narrow line lost.
static std::wstring Typed(const std::string& narrow) {
  std::wstring wide = Widen(narrow);
  std::replace(wide.begin(), wide.end(), L'?', L'\u0416');
  return wide;
}

static bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

static Box Classify(const FakeBox& box) {
  const bool parameters =
      box.hasCaption && box.caption == "Infos sur les parametres" && box.icon == 0x40;
  if (box.text == USAGE_TEXT && parameters) return USAGE;
  if (box.text == MISSING_ARGUMENT_TEXT && parameters) return MISSING;
  if (box.text.rfind("Le chemin ", 0) == 0 && EndsWith(box.text, " n'existe pas! ") &&
      !box.hasCaption && box.icon == 0x10)
    return PATH;
  return UNKNOWN_BOX;
}

static void DispatchOnce(const uint8_t* data, size_t size) {
  const bool infExists = data[0] & 1;
  const int driverResult = (data[0] & 2) ? ((data[0] & 4) ? -1 : 1) : 0;
  const int failing = (data[0] >> 3) >= 24 ? (data[0] >> 3) - 24 : -1;
  const char* rest = reinterpret_cast<const char*>(data + 1);
  const std::string line(rest, strnlen(rest, size - 1));

  const std::vector<std::string> raw = ReferenceRawTokens(line, 4);
  std::vector<std::string> tokens;
  for (const std::string& t : raw) tokens.push_back(ReferenceUnquote(t));
  const int splitAllocations =
      1 + std::count_if(raw.begin(), raw.end(), [](const std::string& t) { return t[0] == '"'; });
  if (failing >= 0 && failing < splitAllocations) tokens.clear();  // the split yields nothing

  // The wide line is split second, from blocks of its own.
  fake.commandLine = line;
  fake.wideCommandLine = Typed(line);
  if (infExists && tokens.size() >= 2) fake.existingFiles = {tokens[1]};
  fake.driverResult = driverResult;
  fake.failAllocation = failing;
  if (failing < 0) fake.logPath = "C:\\log.txt";  // the log allocates too: only where none fails
  const int code = RunSetup();
  fake.events.erase(std::remove(fake.events.begin(), fake.events.end(), "log"), fake.events.end());
  const bool wideSplit = failing < splitAllocations || failing >= 2 * splitAllocations;
  const Outcome expected =
      Expect(tokens, infExists, driverResult, failing == 2 * splitAllocations, wideSplit);

  Require(code >= 0 && code <= 6, "the exit code is one of 0..6");
  Require(fake.boxes.size() <= 1, "at most one message box");
  const std::vector<std::string> update = {"start", "install", "stop"};
  Require(fake.events.empty() || fake.events == update,
          "no dialog, or exactly one update between start and stop");
  Require(fake.boxes.empty() || fake.events.empty(), "never both a box and an update");
  const Box shown = fake.boxes.empty() ? NO_BOX : Classify(fake.boxes[0]);
  Require(shown != UNKNOWN_BOX,
          "a box shows one of the three known texts with its caption and icon");
  Require(shown == expected.box, "the box is the one the table calls for");
  if (shown == PATH)
    Require(fake.boxes[0].text == "Le chemin " + tokens[1] + " n'existe pas! ",
            "the path error names the INF");
  Require(fake.fileChecks == (expected.fileChecked ? std::vector<std::string>{tokens[1]}
                                                   : std::vector<std::string>{}),
          "the INF is checked once, only on the way to an update");
  Require(fake.events.empty() != expected.installed,
          "the update happens when the table calls for it");
  if (expected.installed) {
    Require(fake.installInf == tokens[1] && fake.installHardwareId == tokens[2],
            "the update gets the INF and the hardware ID");
    Require(fake.installSilent == expected.silent, "a reboot address is passed only with /s");
  }
  Require(code == expected.exitCode, "the exit code matches the reference table");
  Require(failing >= 0 || std::count(fake.logLines.begin(), fake.logLines.end(), expected.road) == 1,
          "the log names the road of the row the table gives");
  Require(fake.wideReads == 1, "the wide line is read on every run");
  const bool recovers = expected.exitCode == 6 && !expected.fileChecked;
  Require(fake.shortPathQueries == (recovers ? std::vector<std::wstring>{Typed(tokens[1])}
                                             : std::vector<std::wstring>{}),
          "the short name is asked once for an INF token not as typed, and only then");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzOnce(data, size, DispatchOnce);
}
