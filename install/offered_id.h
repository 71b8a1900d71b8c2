#pragma once

// 1 when the INF offers the hardware ID on this platform: it is a hardware or
// compatible ID on a line of a models section that a [Manufacturer] entry
// names for this architecture and Windows version. 0 when it does not, or the
// INF cannot be read; the log says which, and which sections were read. The
// set-up API comes from the system directory.
int InfOffersHardwareId(const char* fullInfPath, const char* hardwareId);

