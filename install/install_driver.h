#pragma once

// Hands the INF and hardware ID to the platform's Plug and Play driver update,
// forced (INSTALLFLAG_FORCE) unless force is 0. Unattended (nobody can see a
// window), the update is told to fail rather than show anything. Returns its
// verdict (nonzero for success), or 0 when it cannot be reached.
int InstallDriver(const char* infPath, const char* hardwareId, int* rebootRequired, int unattended, int force);

// The last error the driver update left, read right after its call.
unsigned long LastUpdateError();
