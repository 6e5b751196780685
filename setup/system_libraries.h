// Where the program's libraries come from. setup.exe is run from download folders, where a
// library planted beside it would otherwise be loaded in its place: it imports only libraries
// that the system always takes from its own folder, and binds the others from there at start.
#pragma once

#include <windows.h>

// Takes the program's folder and the current folder out of the library search where the
// system allows it (SetDefaultDllDirectories, SetDllDirectory; looked up at run time).
void restrictLibrarySearch();

// The system's own copy of a library: from the system folder by full path (its own imports
// searched there first), or, for the common controls on systems with side-by-side assemblies,
// the version the program's manifest names.
HMODULE loadSystemLibrary(const char* name);

// Loads every library the program binds at run time; false when one is missing. Once loaded,
// a later load by plain name (from the system's own code too) finds these copies.
bool loadSystemLibraries();
