#pragma once

// Which models section of an INF's [Manufacturer] entry Windows reads on this
// platform, where the system cannot say itself (Wine has no
// SetupDiGetActualModelsSectionA), and how it compares a device's IDs.

// The running Windows, as RtlGetVersion tells it (GetVersionEx lies to a program
// without a manifest).
struct WindowsVersion {
  unsigned long major, minor, build;
  unsigned productType;  // VER_NT_WORKSTATION 1, VER_NT_DOMAIN_CONTROLLER 2, VER_NT_SERVER 3
  unsigned suiteMask;
};

// The platform's name in a decoration: "x86", "amd64" or "arm64".
const char* DecorationArchitecture(const char* build);

enum { UNDECORATED = -1, NO_MODELS_SECTION = -2 };

// Of the decorations listed after an entry's models section name, the index of the
// one Windows takes here: the one for this architecture (on x86 also one without any)
// whose version is the highest not above the running one. UNDECORATED where none
// applies and the bare name does (on x86 only: other platforms need a decoration),
// NO_MODELS_SECTION where nothing does.
int ChooseDecoration(const char* const* decorations, int count, const char* architecture,
                     const WindowsVersion& version);

// 1 when two hardware or compatible IDs are the same ID: Windows ignores ASCII case.
int SameDeviceId(const char* a, const char* b);
