// The product key HKLM\SOFTWARE\NRX\KestraneSoftwareInstaller and the Program Files folder.
#pragma once

#include <windows.h>

#include "base/run_types.h"
#include "registry/version_display.h"

bool readCurrentVersionValue(const char* valueName, char* buffer, DWORD size);
bool readProgramFolder(char* buffer);
bool writeProgramFolder(const char* folder, RunFlags runFlags);
bool readInstalledRelease(char* name, char* version);
bool writeInstalledRelease(const char* name, const char* version, RunFlags runFlags);
bool readMenuFolder(char* buffer);
bool writeMenuFolder(const char* folder, RunFlags runFlags);
bool readInternetFunction(DWORD* value);
bool writeDownloadSettings(DWORD internetFunction, const char* downloadDir, RunFlags runFlags);
// Kept for the interface: the default value (the manager's path); the setup run never reads it.
bool readProgramExe(char* buffer, DWORD* size);
