// Finding and loading the setup data beside the program: "ZelSetup.dat", and the release
// file "Quolen.zel" or the catalog "NRXZEL.xml".
#pragma once

#include <windows.h>

#include "base/run_state.h"
#include "base/run_types.h"

// Stores the module instance and the system's language; in install mode finds the setup data
// and the release source beside the program and loads the catalog.
bool loadSetupData(HINSTANCE instance, RunFlags runFlags);
// The number of characters of [ZEL] XRELEASE in the INI file at path.
unsigned hasReleaseFile(const char* path);
// Frees what the install steps must not hold, since they are files of the set themselves: the
// parsed catalog and the Unicode layer. catalogMode stays.
void releaseSetupData();
