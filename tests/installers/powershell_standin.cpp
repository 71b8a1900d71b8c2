// Stands in for powershell.exe in the installer tests' Wine prefixes, whose own prints nothing:
// answers the examples' one query, whether a folder is empty and owned by Administrators, with
// its exit code: 0 if so, else 1. Emptiness is read from the folder. Wine keeps no owner (every file is the Unix
// user's, whatever icacls or SetNamedSecurityInfo set), so the owner Windows would report is the
// SDDL in powershell_owner.txt beside this program. Any other command fails.
#include <windows.h>
#include <stdio.h>
#include <wchar.h>

static const wchar_t kFolderStart[] = L"exit (1 - ((-not (Get-ChildItem -LiteralPath '";
static const wchar_t kOwnerTest[] = L".GetSecurityDescriptorSddlForm('Owner') -eq 'O:BA')))";

static bool Empty(const wchar_t* folder) {
  wchar_t pattern[MAX_PATH + 2];
  _snwprintf(pattern, MAX_PATH + 2, L"%ls\\*", folder);
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(pattern, &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    if (lstrcmpW(entry.cFileName, L".") != 0 && lstrcmpW(entry.cFileName, L"..") != 0) empty = false;
  } while (empty && FindNextFileW(find, &entry));
  FindClose(find);
  return empty;
}

// The owner SDDL from the file beside this program, without its line end.
static bool Owner(char* owner, int size) {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  wchar_t* slash = wcsrchr(path, L'\\');
  if (length == 0 || length >= MAX_PATH - 32 || slash == nullptr) return false;
  lstrcpyW(slash + 1, L"powershell_owner.txt");
  FILE* file = _wfopen(path, L"r");
  if (file == nullptr) return false;
  bool read = fgets(owner, size, file) != nullptr;
  fclose(file);
  owner[strcspn(owner, "\r\n")] = '\0';
  return read;
}

int main() {
  const wchar_t* line = GetCommandLineW();
  const wchar_t* start = wcsstr(line, kFolderStart);
  const wchar_t* end = start ? wcschr(start + wcslen(kFolderStart), L'\'') : nullptr;
  if (end == nullptr || wcsstr(line, kOwnerTest) == nullptr) {
    fputs("powershell stand-in: not the examples' query\n", stderr);
    return 1;
  }
  start += wcslen(kFolderStart);
  wchar_t folder[MAX_PATH];
  char owner[64];
  if (end - start >= MAX_PATH || !Owner(owner, sizeof owner)) return 1;
  wmemcpy(folder, start, end - start);
  folder[end - start] = L'\0';
  if (end > start && folder[end - start - 1] == L'\\') folder[end - start - 1] = L'\0';  // [DRIVERDIR]'s
  DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    fprintf(stderr, "Get-Acl: Cannot find path '%ls' because it does not exist.\n", folder);
    return 1;
  }
  return Empty(folder) && strcmp(owner, "O:BA") == 0 ? 0 : 1;
}
