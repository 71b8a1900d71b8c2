// The smallest program the toolchain makes: what drvsetup.exe's size compares to.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
