#pragma once

// Takes the INF's own package off the devices and out of the driver store: its
// published name is asked of SetupCopyOEMInfA (refusing to overwrite, and to copy
// what is not there yet), then DiUninstallDriverA where newdev.dll has it (Windows
// 10 1703 and later), else SetupUninstallOEMInfA without forcing. Returns 1 when
// Windows names no copy and no INF of the same text is left in the INF folder.
// rebootRequired is never null; it is 1 when Windows must restart to finish.
int RemoveDriverPackage(const char* fullInfPath, int* rebootRequired, int unattended);
