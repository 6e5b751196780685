// Finding and loading the setup data beside the program: "ZelSetup.dat", and the release
// file "Quolen.zel" or the catalog "NRXZEL.xml".
#pragma once

#include <windows.h>

#include "catalog/query_environment.h"
#include "setup/run_types.h"
#include "xml/xml_document.h"

// Run-wide state, one instance per process, zero at start.
struct SetupDataState {
    HINSTANCE instance;
    char setupDataPath[260];     // full path of "ZelSetup.dat"
    char releaseSourcePath[260]; // "Quolen.zel" when it is the release source, else "NRXZEL.xml"
    XmlDocument* catalog;        // none when the release file is used
    HMODULE layerLibrary;        // "unicows.dll" on the 9x family
};

extern SetupDataState setupData;
// The release data came from the catalog (install), or the installed folder holds
// "ZelSetup.xml" (uninstall). Stays valid after the catalog is released.
extern bool catalogMode;
// The process's query environment; this program fills only the two language fields.
extern QueryEnvironment queryEnvironment;

bool loadSetupData(HINSTANCE instance, RunFlags runFlags);
// The folder of the running program, without a trailing backslash (260 bytes).
bool getSourceFolder(char* folder);
// Whether folder\name is a file (a folder of that name is not); its path goes into path (260
// bytes). Looks nowhere else.
bool findFileIn(const char* folder, const char* name, char* path);
// The number of characters of [ZEL] XRELEASE in the INI file at path.
unsigned hasReleaseFile(const char* path);
