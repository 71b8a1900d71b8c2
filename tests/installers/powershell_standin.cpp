// Stands in for powershell.exe (Wine's prints nothing) in the installer tests: answers only the
// examples' query, "is the folder empty and owned by Administrators", with exit code 0 or 1. The
// folder's emptiness is read for real; Wine keeps no owner, so the owner Windows would report is
// the SDDL the test wrote into powershell_owner.txt beside this program.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

int main() {
  static const wchar_t kStart[] = L"exit (1 - ((-not (Get-ChildItem -LiteralPath '";
  const wchar_t* line = GetCommandLineW();
  const wchar_t* start = wcsstr(line, kStart);
  if (start == nullptr || !wcsstr(line, L".GetSecurityDescriptorSddlForm('Owner') -eq 'O:BA')))")) return 1;
  start += wcslen(kStart);
  wchar_t path[MAX_PATH];
  int length = static_cast<int>(wcscspn(start, L"'"));
  if (length == 0 || length > MAX_PATH - 32 || start[length] != L'\'') return 1;
  swprintf(path, MAX_PATH, L"%.*ls\\*", length - (start[length - 1] == L'\\'), start);
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW(path, &entry);
  if (find == INVALID_HANDLE_VALUE) return 1;  // no such folder: Get-Acl fails
  int entries = 0;
  do entries += wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0;
  while (FindNextFileW(find, &entry));
  FindClose(find);
  char owner[16] = "";
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  lstrcpyW(wcsrchr(path, L'\\') + 1, L"powershell_owner.txt");
  if (FILE* file = _wfopen(path, L"r")) {
    fgets(owner, sizeof owner, file);
    fclose(file);
  }
  return entries == 0 && strncmp(owner, "O:BA\n", 5) == 0 ? 0 : 1;
}
