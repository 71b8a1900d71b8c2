#pragma once

// Reads the raw command line through the platform, acts on it and returns
// the process exit code.
int RunSetup();
