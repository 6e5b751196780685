// Failing stand-ins until the registry operations land.
#include "registry/browser_button.h"
#include "registry/package_records.h"
#include "registry/product_key.h"
#include "registry/uninstall_entry.h"

bool readCurrentVersionValue(const char*, char*, DWORD) { return false; }
bool readProgramFolder(char*) { return false; }
bool writeProgramFolder(const char*, RunFlags) { return false; }
bool readInstalledRelease(char*, char*) { return false; }
bool writeInstalledRelease(const char*, const char*, RunFlags) { return false; }
bool readMenuFolder(char*) { return false; }
bool writeMenuFolder(const char*, RunFlags) { return false; }
bool readInternetFunction(DWORD*) { return false; }
bool writeDownloadSettings(DWORD, const char*, RunFlags) { return false; }
bool readProgramExe(char*, DWORD*) { return false; }
void formatVersionDisplay(char*) {}
bool writeUninstallEntry(const char*, const char*, const char*, RunFlags) { return false; }
bool deleteKeyTree(HKEY, const char*) { return false; }
bool writeSearchPath(const char*, RunFlags) { return false; }
bool refreshPackageRecords() { return false; }
bool hasBrowserButton() { return false; }
bool writeBrowserButton(const char*, const char*, const char*, int) { return false; }
