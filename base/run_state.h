// The run-wide state: one instance per process, zero at start (Windows only). The setup data
// sources fill it; every module reads it.
#pragma once

#include <windows.h>

#include "base/bounded_text.h"
#include "base/query_environment.h"

struct XmlDocument;

struct SetupDataState {
    HINSTANCE instance;                     // the program's module: strings, dialogs, icons
    char setupDataPath[TextBufferSize];     // full path of "ZelSetup.dat"
    char releaseSourcePath[TextBufferSize]; // "Quolen.zel" when it is the release source, else
                                            // "NRXZEL.xml"
    XmlDocument* catalog;                   // none when the release file is used
    HMODULE layerLibrary;                   // "unicows.dll" on the 9x family
};

extern SetupDataState setupData;
// The release data came from the catalog (install), or the installed folder holds
// "ZelSetup.xml" (uninstall). Stays valid after the catalog is released.
extern bool catalogMode;
// The process's query environment; this program fills only the two language fields.
extern QueryEnvironment queryEnvironment;

// String id of the program's string table into text (size bytes), in the language the
// system's loader picks; the empty text when there is none.
void loadText(UINT id, char* text, int size = TextBufferSize);
