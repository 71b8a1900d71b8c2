#pragma once

// Adds the INF's package to the driver store (SetupCopyOEMInfA), so that Windows
// installs it when a matching device is plugged in. Unattended, the set-up API is
// told first that nobody can answer. Returns 1 when the package is there.
int StageDriverPackage(const char* fullInfPath, int unattended);
