#include "models_section.h"

#include <string.h>

static char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int SameDeviceId(const char* a, const char* b) {
  for (; *a != '\0' && Upper(*a) == Upper(*b); ++a, ++b) {
  }
  return Upper(*a) == Upper(*b);
}

const char* DecorationArchitecture(const char* build) {
  return strcmp(build, "x64") == 0 ? "amd64" : build;
}

// A decoration's parts: NT[architecture][.major[.minor[.productType[.suiteMask[.build]]]]].
struct Decoration {
  char architecture[8];
  unsigned long field[5];  // major, minor, product type, suite mask, build
  int given[5];
};

// One field's number, decimal or 0x-hexadecimal; 0 when it holds something else.
static int ParseNumber(const char* text, size_t length, unsigned long* value) {
  unsigned base = length > 2 && text[0] == '0' && Upper(text[1]) == 'X' ? 16 : 10;
  size_t i = base == 16 ? 2 : 0;
  for (*value = 0; i < length; ++i) {
    char c = Upper(text[i]);
    unsigned digit = c >= '0' && c <= '9' ? c - '0' : base == 16 && c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    if (digit >= base || *value > 0xFFFFFFFFUL / base) return 0;
    *value = *value * base + digit;
  }
  return 1;
}

static int ParseDecoration(const char* text, Decoration* d) {
  memset(d, 0, sizeof *d);
  if (Upper(text[0]) != 'N' || Upper(text[1]) != 'T') return 0;
  const char* p = text + 2;
  size_t length = strcspn(p, ".");
  if (length >= sizeof d->architecture) return 0;
  for (size_t i = 0; i < length; ++i) d->architecture[i] = static_cast<char>(Upper(p[i]));
  for (int f = 0; p[length] == '.'; ++f) {
    if (f == 5) return 0;
    p += length + 1;
    length = strcspn(p, ".");
    d->given[f] = length > 0;
    if (length > 0 && !ParseNumber(p, length, &d->field[f])) return 0;
  }
  return 1;
}

static int SameUpper(const char* upper, const char* name) {
  for (; *upper != '\0' && *upper == Upper(*name); ++upper, ++name) {
  }
  return *upper == '\0' && *name == '\0';
}

// The version a decoration names, for comparisons: major, minor, build.
static int CompareVersion(const unsigned long a[3], const unsigned long b[3]) {
  for (int i = 0; i < 3; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

static void VersionOf(const Decoration& d, unsigned long out[3]) {
  out[0] = d.field[0];
  out[1] = d.field[1];
  out[2] = d.field[4];
}

static int Applies(const Decoration& d, const char* architecture, const WindowsVersion& v) {
  if (d.architecture[0] == '\0' ? strcmp(architecture, "x86") != 0 : !SameUpper(d.architecture, architecture))
    return 0;
  const unsigned long running[3] = {v.major, v.minor, v.build};
  unsigned long wanted[3];
  VersionOf(d, wanted);
  if (CompareVersion(wanted, running) > 0) return 0;
  if (d.given[2] && d.field[2] != 0 && d.field[2] != v.productType) return 0;
  return !d.given[3] || (v.suiteMask & d.field[3]) == d.field[3];
}

int ChooseDecoration(const char* const* decorations, int count, const char* architecture,
                     const WindowsVersion& version) {
  int best = -1;
  Decoration chosen = {}, d;
  for (int i = 0; i < count; ++i) {
    if (!ParseDecoration(decorations[i], &d) || !Applies(d, architecture, version)) continue;
    unsigned long mine[3], theirs[3];
    VersionOf(d, mine);
    VersionOf(chosen, theirs);
    int order = best < 0 ? 1 : CompareVersion(mine, theirs);
    // At the same version, one that names the architecture is the closer match.
    if (order > 0 || (order == 0 && chosen.architecture[0] == '\0' && d.architecture[0] != '\0')) {
      best = i;
      chosen = d;
    }
  }
  if (best >= 0) return best;
  return strcmp(architecture, "x86") == 0 ? UNDECORATED : NO_MODELS_SECTION;
}
