#include "registry/uninstall_entry.h"

#include <string.h>

#include "base/bounded_text.h"
#include "registry/registry_values.h"

namespace {

const char UninstallEntryPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KestraneSoftwareInstaller";
const char SearchPathKey[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller\\SearchPath";

bool countSubkeys(HKEY key, DWORD* subkeys, DWORD* values) {
    return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subkeys, nullptr, nullptr, values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

} // namespace

bool writeUninstallEntry(const char* uninstallerName, const char* displayName,
                         const char* displayVersion, RunFlags runFlags) {
    if (!(runFlags & Install))
        return RegDeleteKeyA(HKEY_LOCAL_MACHINE, UninstallEntryPath) == ERROR_SUCCESS;

    bool withName = !(runFlags & NoShellItems);
    if (!uninstallerName || !displayVersion || (withName && !displayName))
        return false;
    // Both commands are built first: one that does not fit leaves the entry untouched.
    char command[TextBufferSize];
    char windowsDir[TextBufferSize];
    char icon[TextBufferSize];
    UINT length = GetWindowsDirectoryA(windowsDir, sizeof windowsDir);
    if (length == 0 || length >= sizeof windowsDir ||
        !formatText(command, sizeof command, "%s /U", uninstallerName) ||
        !formatText(icon, sizeof icon, "%s\\%s,0", windowsDir, uninstallerName))
        return false;

    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallEntryPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool written = (!withName || setTextValue(key, "DisplayName", displayName)) &&
                   setTextValue(key, "UninstallString", command) &&
                   setTextValue(key, "DisplayIcon", icon) &&
                   setTextValue(key, "DisplayVersion", displayVersion);
    // An entry hidden by an earlier release shows again.
    RegDeleteValueA(key, "SystemComponent");
    RegCloseKey(key);
    return written;
}

bool deleteKeyTree(HKEY parent, const char* subkey) {
    bool named = subkey && subkey[0] != '\0';
    HKEY key;
    if (RegOpenKeyExA(parent, named ? subkey : "", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        DWORD subkeys = 0;
        DWORD values = 0;
        if (countSubkeys(key, &subkeys, &values)) {
            // Counting down keeps the lower indices valid while items go.
            char name[TextBufferSize];
            for (DWORD index = values; index-- > 0;) {
                DWORD nameLength = sizeof name;
                if (RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr,
                                  nullptr) == ERROR_SUCCESS)
                    RegDeleteValueA(key, name);
            }
            for (DWORD index = subkeys; index-- > 0;) {
                if (RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS)
                    deleteKeyTree(key, name);
            }
        }
        RegCloseKey(key);
    }
    if (named)
        RegDeleteKeyA(parent, subkey);
    return true;
}

bool writeSearchPath(const char* folder, RunFlags runFlags) {
    if (!(runFlags & Install))
        return deleteKeyTree(HKEY_LOCAL_MACHINE, SearchPathKey);
    if (!folder)
        return false;
    // A piece without a name ("", "\\", "\\\\") names no level of its own: its key would be the
    // SearchPath key itself, and registering it would empty the whole list. Nothing to do.
    const char* name = folder;
    while (*name == '\\')
        ++name;
    if (*name == '\0')
        return true;
    char path[TextBufferSize];
    if (!formatText(path, sizeof path, "%s\\%s", SearchPathKey, folder))
        return false;
    // A folder replaces any registrations below it.
    HKEY key = openMachineKey(path, KEY_ALL_ACCESS);
    if (key) {
        DWORD subkeys = 0;
        if (countSubkeys(key, &subkeys, nullptr) && subkeys > 0)
            deleteKeyTree(key, nullptr);
        RegCloseKey(key);
    }
    return RegSetValueA(HKEY_LOCAL_MACHINE, path, REG_SZ, folder, (DWORD)strlen(folder) + 1) ==
           ERROR_SUCCESS;
}
