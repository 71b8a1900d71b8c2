#include "offered_id.h"

#include <windows.h>
#include <string.h>

#include "../common/build.h"
#include "../diagnostics/diagnostic_log.h"
#include "models_section.h"
#include "setup_api.h"

typedef LONG(WINAPI* RtlGetVersionFn)(OSVERSIONINFOEXW* info);

static const DWORD FIELD_SIZE = 512;  // longer than any section name or device ID Windows takes
static const int MAX_DECORATIONS = 16;

static const char* architecture;  // this platform's name in decorations
static WindowsVersion version;

static int InfCallsBound() {
  const SetupApi& api = setupApi;
  return api.openInf && api.closeInf && api.findFirstLine && api.findNextLine && api.fieldCount && api.stringField;
}

// The running version from ntdll, which every process has loaded.
static void ReadVersion() {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  RtlGetVersionFn get = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  if (get == nullptr || get(&info) != 0) return;
  version = {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.wProductType, info.wSuiteMask};
}

static int Field(INFCONTEXT* line, DWORD index, char* text) {
  return setupApi.stringField(line, index, text, FIELD_SIZE, nullptr);
}

// The models section of one [Manufacturer] line for this platform, into section; 0 when none.
static int ModelsSection(INFCONTEXT* entry, char* section) {
  if (setupApi.actualModelsSection != nullptr)
    return setupApi.actualModelsSection(entry, nullptr, section, FIELD_SIZE, nullptr, nullptr);
  char decorations[MAX_DECORATIONS][FIELD_SIZE];
  const char* names[MAX_DECORATIONS];
  int count = 0;
  DWORD fields = setupApi.fieldCount(entry);
  for (DWORD i = 2; i <= fields && count < MAX_DECORATIONS; ++i)
    if (Field(entry, i, decorations[count])) names[count] = decorations[count], ++count;
  if (!Field(entry, 1, section)) return 0;
  int chosen = ChooseDecoration(names, count, architecture, version);
  if (chosen == NO_MODELS_SECTION) return 0;
  if (chosen == UNDECORATED) return 1;
  if (strlen(section) + 1 + strlen(names[chosen]) >= FIELD_SIZE) return 0;
  strcat(section, ".");
  strcat(section, names[chosen]);
  return 1;
}

// 1 when a line of the section lists the ID among its hardware and compatible IDs.
static int SectionOffers(HINF inf, const char* entryName, const char* section, const char* hardwareId) {
  INFCONTEXT line;
  char id[FIELD_SIZE];
  int lines = 0, found = 0;
  for (BOOL more = setupApi.findFirstLine(inf, section, nullptr, &line); more && !found;
       more = setupApi.findNextLine(&line, &line), ++lines) {
    DWORD fields = setupApi.fieldCount(&line);
    for (DWORD i = 2; i <= fields && !found; ++i) found = Field(&line, i, id) && SameDeviceId(id, hardwareId);
  }
  LogModelsSection(entryName, section, lines);
  return found;
}

static int ManufacturersOffer(HINF inf, const char* hardwareId) {
  INFCONTEXT entry;
  char entryName[FIELD_SIZE], section[FIELD_SIZE];
  if (!setupApi.findFirstLine(inf, "Manufacturer", nullptr, &entry)) {
    LogOfferError("the INF has no [Manufacturer] section, so it offers no device", 0);
    return 0;
  }
  do {
    if (!Field(&entry, 1, entryName)) continue;
    if (!ModelsSection(&entry, section)) {
      LogModelsSection(entryName, nullptr, 0);
    } else if (SectionOffers(inf, entryName, section, hardwareId)) {
      LogOfferVerdict(hardwareId, section, architecture);
      return 1;
    }
  } while (setupApi.findNextLine(&entry, &entry));
  LogOfferVerdict(hardwareId, nullptr, architecture);
  return 0;
}

int InfOffersHardwareId(const char* fullInfPath, const char* hardwareId) {
  DWORD error = !OpenSetupApi() ? GetLastError() : InfCallsBound() ? 0 : ERROR_PROC_NOT_FOUND;
  if (error != 0) {
    LogOfferError("setupapi.dll or its INF functions cannot be had", error);
    CloseSetupApi();
    return 0;
  }
  architecture = DecorationArchitecture(BUILD);
  ReadVersion();
  LogOfferSections(setupApi.actualModelsSection != nullptr, architecture, version.major, version.minor, version.build);
  UINT errorLine = 0;
  HINF inf = setupApi.openInf(fullInfPath, nullptr, INF_STYLE_WIN4, &errorLine);
  int offered = 0;
  if (inf == INVALID_HANDLE_VALUE) {
    LogOfferError("the INF cannot be parsed (SetupOpenInfFileA)", GetLastError());
  } else {
    offered = ManufacturersOffer(inf, hardwareId);
    setupApi.closeInf(inf);
  }
  CloseSetupApi();
  return offered;
}
