// The product's twelve files: staged through the temporary folder and moved into place,
// replaced or deleted at the next restart, removed on uninstall.
#pragma once

#include <windows.h>

#include "base/run_types.h"

bool deployFileSet(HWND owner, const char* programFolder, BOOL inUse, RunFlags runFlags);
bool createFolderPath(const char* path);
bool secureStagedFile(const char* path);
