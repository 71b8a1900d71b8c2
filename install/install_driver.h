#pragma once

// Hands the INF and hardware ID to the platform's Plug and Play driver update.
// Returns its verdict (nonzero for success), or 0 when it cannot be reached.
int InstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired);
