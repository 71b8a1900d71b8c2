// The size floor plus USER32.dll in its imports, as drvsetup.exe has it: what
// a whole run costs before the program does anything of its own.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  // Never true when started normally; it only keeps the import.
  if (show == -1) MessageBoxA(nullptr, "", "", MB_OK);
  return 0;
}
