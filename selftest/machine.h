#pragma once

// The parts of the machine the self-test touches: devices with its hardware ID, the
// driver store's INF folder, the drivers folder.

// Devices (present or not) that list hardwareId among their hardware IDs.
int CountDevices(const char* hardwareId);
// A root-enumerated device with that one hardware ID; false if it could not be made.
bool CreateRootDevice(const char* hardwareId);
// Whether a device with the ID has a driver key (a driver was installed on it).
bool DeviceHasDriver(const char* hardwareId);
// Removes every device with the ID, with its driver key; returns how many.
int RemoveDevices(const char* hardwareId);

// The names in FOLDER matching PATTERN, sorted and joined by '\n', in OUT.
void ListFolder(const char* folder, const char* pattern, char* out, int size);
// The INF folder's INF whose text equals the file at infPath, or false.
bool FindStoreCopy(const char* infPath, char* name, int size);
// Takes a copy of infPath out of the store, forced; true when none is left.
bool ForceRemoveStoreCopy(const char* infPath);
