#include "offered_id.h"

#include <windows.h>
#include <setupapi.h>
#include <string.h>

#include "../common/build.h"
#include "../common/system_library.h"
#include "../diagnostics/diagnostic_log.h"
#include "models_section.h"

typedef HINF(WINAPI* SetupOpenInfFileAFn)(PCSTR name, PCSTR infClass, DWORD style, PUINT errorLine);
typedef void(WINAPI* SetupCloseInfFileFn)(HINF inf);
typedef BOOL(WINAPI* SetupFindFirstLineAFn)(HINF inf, PCSTR section, PCSTR key, PINFCONTEXT context);
typedef BOOL(WINAPI* SetupFindNextLineFn)(PINFCONTEXT in, PINFCONTEXT out);
typedef DWORD(WINAPI* SetupGetFieldCountFn)(PINFCONTEXT context);
typedef BOOL(WINAPI* SetupGetStringFieldAFn)(PINFCONTEXT context, DWORD index, PSTR text, DWORD size,
                                             PDWORD needed);
// Windows XP and later; Wine 8 lacks it.
typedef BOOL(WINAPI* SetupDiGetActualModelsSectionAFn)(PINFCONTEXT context, PSP_ALTPLATFORM_INFO platform,
                                                        PSTR section, DWORD size, PDWORD needed, PVOID reserved);
typedef LONG(WINAPI* RtlGetVersionFn)(OSVERSIONINFOEXW* info);

// The set-up API's INF calls, bound once for one check.
static struct {
  SetupOpenInfFileAFn open;
  SetupCloseInfFileFn close;
  SetupFindFirstLineAFn firstLine;
  SetupFindNextLineFn nextLine;
  SetupGetFieldCountFn fieldCount;
  SetupGetStringFieldAFn field;
  SetupDiGetActualModelsSectionAFn actualSection;
} api;

static const DWORD FIELD_SIZE = 512;  // longer than any section name or device ID Windows takes
static const int MAX_DECORATIONS = 16;

static const char* architecture;  // this platform's name in decorations
static WindowsVersion version;

static void* Find(HMODULE library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(library, name));
}

static int Bind(HMODULE library) {
  api.open = reinterpret_cast<SetupOpenInfFileAFn>(Find(library, "SetupOpenInfFileA"));
  api.close = reinterpret_cast<SetupCloseInfFileFn>(Find(library, "SetupCloseInfFile"));
  api.firstLine = reinterpret_cast<SetupFindFirstLineAFn>(Find(library, "SetupFindFirstLineA"));
  api.nextLine = reinterpret_cast<SetupFindNextLineFn>(Find(library, "SetupFindNextLine"));
  api.fieldCount = reinterpret_cast<SetupGetFieldCountFn>(Find(library, "SetupGetFieldCount"));
  api.field = reinterpret_cast<SetupGetStringFieldAFn>(Find(library, "SetupGetStringFieldA"));
  api.actualSection =
      reinterpret_cast<SetupDiGetActualModelsSectionAFn>(Find(library, "SetupDiGetActualModelsSectionA"));
  return api.open && api.close && api.firstLine && api.nextLine && api.fieldCount && api.field;
}

// The running version from ntdll, which every process has loaded.
static void ReadVersion() {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  RtlGetVersionFn get = reinterpret_cast<RtlGetVersionFn>(Find(GetModuleHandleA("ntdll.dll"), "RtlGetVersion"));
  if (get == nullptr || get(&info) != 0) return;
  version = {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.wProductType, info.wSuiteMask};
}

static int Field(INFCONTEXT* line, DWORD index, char* text) {
  return api.field(line, index, text, FIELD_SIZE, nullptr);
}

// The models section of one [Manufacturer] line for this platform, into section; 0 when none.
static int ModelsSection(INFCONTEXT* entry, char* section) {
  if (api.actualSection != nullptr)
    return api.actualSection(entry, nullptr, section, FIELD_SIZE, nullptr, nullptr);
  char decorations[MAX_DECORATIONS][FIELD_SIZE];
  const char* names[MAX_DECORATIONS];
  int count = 0;
  DWORD fields = api.fieldCount(entry);
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
  for (BOOL more = api.firstLine(inf, section, nullptr, &line); more && !found;
       more = api.nextLine(&line, &line), ++lines) {
    DWORD fields = api.fieldCount(&line);
    for (DWORD i = 2; i <= fields && !found; ++i) found = Field(&line, i, id) && SameDeviceId(id, hardwareId);
  }
  LogModelsSection(entryName, section, lines);
  return found;
}

static int ManufacturersOffer(HINF inf, const char* hardwareId) {
  INFCONTEXT entry;
  char entryName[FIELD_SIZE], section[FIELD_SIZE];
  if (!api.firstLine(inf, "Manufacturer", nullptr, &entry)) {
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
  } while (api.nextLine(&entry, &entry));
  LogOfferVerdict(hardwareId, nullptr, architecture);
  return 0;
}

int InfOffersHardwareId(const char* fullInfPath, const char* hardwareId) {
  HMODULE library = LoadSystemLibrary("setupapi.dll");
  if (library == nullptr || !Bind(library)) {
    LogOfferError("setupapi.dll or its INF functions cannot be had", GetLastError());
    if (library != nullptr) FreeLibrary(library);
    return 0;
  }
  architecture = DecorationArchitecture(BUILD);
  ReadVersion();
  LogOfferSections(api.actualSection != nullptr, architecture, version.major, version.minor, version.build);
  UINT errorLine = 0;
  HINF inf = api.open(fullInfPath, nullptr, INF_STYLE_WIN4, &errorLine);
  int offered = 0;
  if (inf == INVALID_HANDLE_VALUE) {
    LogOfferError("the INF cannot be parsed (SetupOpenInfFileA)", GetLastError());
  } else {
    offered = ManufacturersOffer(inf, hardwareId);
    api.close(inf);
  }
  FreeLibrary(library);
  return offered;
}
