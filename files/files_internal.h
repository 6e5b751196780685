// Helpers shared by the file and shortcut operations of this module.
#pragma once

#include <windows.h>

// Builds a shell link to targetPath (icon index 1 of the target, working folder the target's
// folder) and saves it to linkPath. afterSave, when given, runs once the save was attempted,
// before the link's interfaces are released. COM must be initialised by the caller.
HRESULT saveShellLinkObject(const char* targetPath, const char* linkPath, void (*afterSave)());
