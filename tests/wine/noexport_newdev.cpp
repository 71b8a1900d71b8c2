// A newdev.dll that loads but lacks the driver-update function.
#include <windows.h>

extern "C" __declspec(dllexport) BOOL WINAPI SomethingElse() { return TRUE; }
