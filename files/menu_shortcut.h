// The shortcut in the product's own Start-menu folder.
#pragma once

#include "base/run_types.h"

bool writeMenuFolderShortcut(const char* targetPath, const char* shortcutFile,
                             const char* menuFolder, RunFlags runFlags);
void removeStaleMenuShortcuts(const char* targetPath, const char* menuFolder);
