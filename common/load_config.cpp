#include <windows.h>

// The loader resolves the program's own imports with these flags (Windows 10 1607 on): from
// the system directory alone. lld points the PE's load configuration at this symbol; GNU ld
// 2.40 has no such step, and its --gc-sections drops it there.
extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used;
extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = {
    sizeof(IMAGE_LOAD_CONFIG_DIRECTORY), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    LOAD_LIBRARY_SEARCH_SYSTEM32,  // DependentLoadFlags, which the headers call Reserved1
    0, 0, 0, 0};
