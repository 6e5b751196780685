// The Add/Remove Programs entry and the SearchPath tree of the product key.
#pragma once

#include <windows.h>

#include "base/run_types.h"

bool writeUninstallEntry(const char* uninstallerName, const char* displayName,
                         const char* displayVersion, RunFlags runFlags);
// Deletes subkey with everything below it, or with no name empties parent. Always succeeds.
bool deleteKeyTree(HKEY parent, const char* subkey);
bool writeSearchPath(const char* folder, RunFlags runFlags);
