// Facts of the system the program runs on, and of its files (Windows only).
#pragma once

#include <windows.h>

// The version record (OSVERSIONINFOA, size field 148) as the system reports it.
bool readVersion(OSVERSIONINFOA* version);
// Whether the program runs on the NT family (false when the version cannot be read).
bool isNtFamily();
// The folder of the running program, without a trailing backslash (260 bytes).
bool getSourceFolder(char* folder);
// Whether folder\name is a file (a folder of that name is not); its path goes into path (260
// bytes). Looks nowhere else.
bool findFileIn(const char* folder, const char* name, char* path);
