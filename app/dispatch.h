#pragma once

// Reads the raw command line through the platform, acts on it and returns
// the process exit code.
int RunSetup();

// 1 when the file at path can be opened for reading, else 0.
int InfFileExists(const char* path);
