#pragma once

// Tells the log the status of each present device that has the
// hardware ID, after an update that reported success: Windows may still have refused to
// load or start its driver (Device Manager's problem codes).
void LogDevicesWithId(const char* hardwareId);
