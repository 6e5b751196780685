// Failing stand-ins until the file and shortcut operations land.
#include "files/file_set.h"
#include "files/menu_shortcut.h"
#include "files/shortcuts.h"

bool deployFileSet(HWND, const char*, BOOL, RunFlags) { return false; }
bool createFolderPath(const char*) { return false; }
bool secureStagedFile(const char*) { return false; }
bool hasDesktopShortcut(const char*) { return false; }
bool hasStartMenuShortcut(const char*) { return false; }
bool writeDesktopShortcut(const char*, const char*, RunFlags) { return false; }
bool writeStartMenuShortcut(const char*, const char*, RunFlags) { return false; }
HRESULT createShellLink(const char*, const char*) { return E_NOTIMPL; }
bool writeMenuFolderShortcut(const char*, const char*, const char*, RunFlags) { return false; }
void removeStaleMenuShortcuts(const char*, const char*) {}
