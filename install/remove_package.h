#pragma once

// Takes the INF's own package off the devices and out of the driver store: its
// published name is found without copying anything (SetupCopyOEMInfA refusing to
// overwrite, and to copy what is not there yet), then DiUninstallDriverA where
// newdev.dll has it (Windows 10 1703 and later), else SetupUninstallOEMInfA
// without forcing. Returns 1 when no copy is left (removed, or none was there).
int RemoveDriverPackage(const char* fullInfPath, int* rebootRequired, int unattended);
