#pragma once

// The architecture this program is built for, as the release's folders name it.
#if defined(__aarch64__)
#define BUILD "arm64"
#elif defined(__x86_64__)
#define BUILD "x64"
#else
#define BUILD "x86"
#endif
