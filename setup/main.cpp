#include <windows.h>

#include "setup/setup_run.h"
#include "setup/system_libraries.h"

// STATUS_DLL_NOT_FOUND: what the system reports for a program whose library is missing.
const UINT MissingLibrary = 0xC0000135;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    // Before anything can load a library: no search beside the program where the system can
    // prevent it, and the system's own copies of the libraries the program binds at run time.
    restrictLibrarySearch();
    if (!loadSystemLibraries())
        return (int)MissingLibrary;
    return (int)runSetup(instance, commandLine);
}
