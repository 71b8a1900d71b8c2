#pragma once

#include <windows.h>

#include "../common/build.h"

// The work folder (no blank in its path), the programs' folder, the package's INF and its ID.
extern char work[MAX_PATH], programs[MAX_PATH], package[MAX_PATH], hardwareId[256];
extern bool onWine, packageGiven, underWow64;
// Nobody can see a box of this run (a window station without a screen, or session 0 while the
// console is elsewhere), by the programs' own rule: they show none here, and the rows expect none.
extern bool unattendedHere;

void Say(const char* format, ...);
void Row(bool ok, const char* name, const char* ran, const char* expected, const char* got);
void Skip(const char* name, const char* why);
// FORMAT with "{w}" standing for the work folder and "{i}" for the x.inf in it.
void Expand(const char* format, char* out, int size);
bool FileHasLine(const char* path, const char* start);

// The rows that install nothing: the command-line table of both programs.
void RunTableRows();
// A device of its own, the package installed on it and removed, and the machine as it was.
void RunInstallRows();
