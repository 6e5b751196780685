// The desktop and Start-menu shortcuts to the package manager.
#pragma once

#include <windows.h>

#include "base/run_types.h"

bool hasDesktopShortcut(const char* name);
bool hasStartMenuShortcut(const char* name);
// mode bit Install set creates the shortcut, clear removes it.
bool writeDesktopShortcut(const char* targetPath, const char* name, RunFlags mode);
bool writeStartMenuShortcut(const char* targetPath, const char* name, RunFlags mode);
// Saves a shell link to targetPath at linkPath; the last COM result.
HRESULT createShellLink(const char* targetPath, const char* linkPath);
