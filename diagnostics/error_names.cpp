#include "error_names.h"

#ifdef _WIN32
#include <windows.h>
#include <setupapi.h>
#else
#include "platform_error_codes.h"  // the same definitions, copied by the native build
#endif

// Codes of Windows 8 and later that mingw-w64's headers lack.
#ifndef ERROR_DRIVER_STORE_ADD_FAILED
#define ERROR_DRIVER_STORE_ADD_FAILED (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x247)
#endif
#ifndef ERROR_DEVICE_INSTALL_BLOCKED
#define ERROR_DEVICE_INSTALL_BLOCKED (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x248)
#endif
#ifndef ERROR_DRIVER_INSTALL_BLOCKED
#define ERROR_DRIVER_INSTALL_BLOCKED (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x249)
#endif
#ifndef ERROR_FILE_HASH_NOT_IN_CATALOG
#define ERROR_FILE_HASH_NOT_IN_CATALOG (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x24B)
#endif

static const char WOW64[] = "a 32-bit program cannot install drivers on 64-bit Windows: use the ";
static const char NO_DEVICE[] =
    "no device present has exactly this hardware ID: compare it with Device Manager's Hardware "
    "Ids, and plug the device in";
static const char DENIED[] =
    "not elevated: run the installer as administrator (MSI: deferred, Impersonate=\"no\")";
#define KERNEL_SIGNING                                                                             \
  "; since Windows 10 1607 a kernel-mode driver loads only when Microsoft signed it (attestation " \
  "or WHQL): your own certificate in TrustedPublisher can serve at most a user-mode package or a " \
  "test machine (unverified; ARM64 Windows 11 is reported to refuse even that)"
static const char UNSIGNED[] =
    "the driver package is unsigned or its signer is not trusted: sign its catalog file" KERNEL_SIGNING;
// Where nobody can answer, the update may not ask whether to trust the publisher: it fails.
static const char NOT_TRUSTED[] =
    "the package's signer is not yet a trusted publisher, and nobody could be asked: add the "
    "signer's certificate to the machine's TrustedPublisher store first (certutil -addstore "
    "TrustedPublisher signer.cer)" KERNEL_SIGNING;
static const char NO_WINDOW[] =
    "the update wanted to show a window where nobody can see one (most often to ask whether to "
    "trust the package's publisher): add the signer's certificate to the machine's "
    "TrustedPublisher store first, or run the step where a user is logged on";
static const char BAD_INF[] =
    "the INF lacks a section or is invalid: check [Version], the models section for this ID and "
    "platform, and the install sections";
static const char OS_ATTRIBUTE[] =
    "the package's signature does not cover this version of Windows (the catalog's OS attribute): "
    "have it signed for this version, or install the package built for it";
// On 64-bit Windows 10 and 11 an unsigned or untrusted catalog fails here, with no prompt.
static const char STORE_ADD[] =
    "Windows could not add the package to the driver store: most often its signature (the catalog "
    "unsigned, its signer not trusted on this machine, or a kernel-mode driver without Microsoft's "
    "signature), else a file the INF names is missing from the package or its catalog; "
    "C:\\Windows\\INF\\setupapi.dev.log names the step";
static const char DEVICE_BLOCKED[] =
    "a device installation restriction policy blocks this device or its class (Group Policy: "
    "System, Device Installation, Device Installation Restrictions): the administrator must allow it";
static const char DRIVER_BLOCKED[] =
    "Windows blocks this driver (its block list or a policy): install a newer version of the package";
static const char HASH_NOT_IN_CATALOG[] =
    "a file of the package is not in its catalog, or changed after signing: ship the files exactly "
    "as signed, and sign the catalog again after any change";
static const char CANCELLED[] =
    "a person declined a prompt (most often whether to trust the publisher): add the signer's "
    "certificate to the machine's TrustedPublisher store first, or run the step unattended";
static const char IN_USE[] =
    "a device still uses this package, and without forcing it is removed only once no device "
    "does: uninstall the device first (Windows 10 1703 and later move the devices to another "
    "driver themselves)";
static const char NOTHING_BETTER[] =
    "the device's driver is as good as this package's or better, and the update was not forced: "
    "nothing was installed";
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
    NAMED(ERROR_SIGNATURE_OSATTRIBUTE_MISMATCH, OS_ATTRIBUTE),
    NAMED(ERROR_DRIVER_STORE_ADD_FAILED, STORE_ADD),
    NAMED(ERROR_DEVICE_INSTALL_BLOCKED, DEVICE_BLOCKED),
    NAMED(ERROR_DRIVER_INSTALL_BLOCKED, DRIVER_BLOCKED),
    NAMED(ERROR_FILE_HASH_NOT_IN_CATALOG, HASH_NOT_IN_CATALOG),
    NAMED(ERROR_CANCELLED, CANCELLED),
    NAMED(ERROR_INF_IN_USE_BY_DEVICES, IN_USE),
    NAMED(ERROR_NO_MORE_ITEMS, NOTHING_BETTER),
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

static const ProblemName problemNames[] = {
    {10, "CM_PROB_FAILED_START",
     "the driver did not start: the System event log and setupapi.dev.log tell why"},
    {28, "CM_PROB_FAILED_INSTALL",
     "the device has no driver installed: read setupapi.dev.log, then run the step again"},
    {31, "CM_PROB_FAILED_ADD",
     "Windows could not load the drivers the device needs: check the service and filters the INF adds"},
    {37, "CM_PROB_FAILED_DRIVER_ENTRY", "the driver refused to load (its DriverEntry failed) on this system"},
    {39, "CM_PROB_DRIVER_FAILED_LOAD",
     "the driver file is missing, damaged, or built for another architecture"},
    {52, "CM_PROB_UNSIGNED_DRIVER",
     "Windows cannot verify the driver's signature: since Windows 10 1607 a kernel-mode driver loads "
     "only when Microsoft signed it (attestation or WHQL)"},
};

const ProblemName* FindProblemName(unsigned long problem) {
  for (const ProblemName& entry : problemNames)
    if (entry.code == problem) return &entry;
  return nullptr;
}
