#include "error_names.h"

#ifdef _WIN32
#include <windows.h>
#include <setupapi.h>
#else
#include "platform_error_codes.h"  // the same definitions, copied by the native build
#endif

static const char WOW64[] = "a 32-bit program cannot install drivers on 64-bit Windows: use the ";
static const char NO_DEVICE[] =
    "no device present has exactly this hardware ID: compare it with Device Manager's Hardware "
    "Ids, and plug the device in";
static const char DENIED[] =
    "not elevated: run the installer as administrator (MSI: deferred, Impersonate=\"no\")";
static const char UNSIGNED[] =
    "the driver package is unsigned or its signer is not trusted: sign its catalog file";
// Where nobody can answer, the update may not ask whether to trust the publisher: it fails.
static const char NOT_TRUSTED[] =
    "the package's signer is not yet a trusted publisher, and nobody could be asked: add the "
    "signer's certificate to the machine's TrustedPublisher store first (certutil -addstore "
    "TrustedPublisher signer.cer)";
static const char NO_WINDOW[] =
    "the update wanted to show a window where nobody can see one (most often to ask whether to "
    "trust the package's publisher): add the signer's certificate to the machine's "
    "TrustedPublisher store first, or run the step where a user is logged on";
static const char BAD_INF[] =
    "the INF lacks a section or is invalid: check [Version], the models section for this ID and "
    "platform, and the install sections";
static const char NOT_FOUND[] = "a file or folder is missing: the INF or a file it copies";

// The set-up API's codes have no text in the system's message table: their names are carried here.
#define NAMED(code, hint) {static_cast<unsigned>(code), #code, hint}
static const ErrorName errorNames[] = {
    NAMED(ERROR_IN_WOW64, WOW64),
    NAMED(ERROR_NO_SUCH_DEVINST, NO_DEVICE),
    NAMED(ERROR_ACCESS_DENIED, DENIED),
    NAMED(ERROR_NO_CATALOG_FOR_OEM_INF, UNSIGNED),
    NAMED(ERROR_NO_AUTHENTICODE_CATALOG, UNSIGNED),
    NAMED(ERROR_AUTHENTICODE_DISALLOWED, UNSIGNED),
    NAMED(ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED, NOT_TRUSTED),
    NAMED(ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED, UNSIGNED),
    NAMED(ERROR_REQUIRES_INTERACTIVE_WINDOWSTATION, NO_WINDOW),
    NAMED(TRUST_E_NOSIGNATURE, UNSIGNED),
    NAMED(TRUST_E_SUBJECT_NOT_TRUSTED, UNSIGNED),
    NAMED(TRUST_E_BAD_DIGEST, UNSIGNED),
    NAMED(CERT_E_UNTRUSTEDROOT, UNSIGNED),
    NAMED(CERT_E_EXPIRED, UNSIGNED),
    NAMED(ERROR_SECTION_NOT_FOUND, BAD_INF),
    NAMED(ERROR_LINE_NOT_FOUND, BAD_INF),
    NAMED(ERROR_WRONG_INF_STYLE, BAD_INF),
    NAMED(ERROR_GENERAL_SYNTAX, BAD_INF),
    NAMED(ERROR_EXPECTED_SECTION_NAME, BAD_INF),
    NAMED(ERROR_BAD_SECTION_NAME_LINE, BAD_INF),
    NAMED(ERROR_BAD_SERVICE_INSTALLSECT, BAD_INF),
    NAMED(ERROR_NO_COMPAT_DRIVERS, BAD_INF),
    NAMED(ERROR_NO_DRIVER_SELECTED, BAD_INF),
    NAMED(ERROR_INVALID_CLASS, BAD_INF),
    NAMED(ERROR_FILE_NOT_FOUND, NOT_FOUND),
    NAMED(ERROR_PATH_NOT_FOUND, NOT_FOUND),
    NAMED(ERROR_INVALID_CLASS_INSTALLER, nullptr),
    NAMED(ERROR_DRIVER_NONNATIVE, nullptr),
};

const ErrorName* FindErrorName(unsigned long code) {
  for (const ErrorName& entry : errorNames)
    if (entry.code == code) return &entry;
  return nullptr;
}

int HintNamesBuild(const ErrorName* entry) { return entry->hint == WOW64; }
