#include "registry/product_key.h"

#include "base/bounded_text.h"
#include "registry/registry_values.h"

namespace {

const char CurrentVersionPath[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char DefaultValue[] = "";

HKEY openProductKey(REGSAM access) {
    return openMachineKey(ProductKeyPath, access);
}

bool readProductText(const char* name, char* buffer) {
    HKEY key = openProductKey(KEY_READ);
    if (!key)
        return false;
    bool read = queryTextValue(key, name, buffer, TextBufferSize, nullptr);
    RegCloseKey(key);
    return read;
}

bool deleteValue(HKEY key, const char* name) {
    return RegDeleteValueA(key, name) == ERROR_SUCCESS;
}

} // namespace

bool readCurrentVersionValue(const char* valueName, char* buffer, DWORD size) {
    HKEY key = openMachineKey(CurrentVersionPath, KEY_READ);
    if (!key)
        return false;
    bool read = queryTextValue(key, valueName, buffer, size, nullptr);
    RegCloseKey(key);
    return read;
}

bool readProgramFolder(char* buffer) {
    return readProductText("ProgDir", buffer);
}

bool writeProgramFolder(const char* folder, RunFlags runFlags) {
    if (runFlags & Install) {
        // The default value names the program in the same 260 bytes: a folder that leaves no
        // room for it is refused before anything is created or written.
        char programExe[TextBufferSize];
        if (!folder || !formatText(programExe, sizeof programExe, "%s\\Quolen.exe", folder))
            return false;
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        bool written =
            setTextValue(key, "ProgDir", folder) && setTextValue(key, DefaultValue, programExe);
        RegCloseKey(key);
        return written;
    }
    HKEY key = openProductKey(KEY_ALL_ACCESS);
    if (!key)
        return false;
    bool deleted = deleteValue(key, DefaultValue) && deleteValue(key, "ProgDir");
    RegCloseKey(key);
    return deleted;
}

bool readInstalledRelease(char* name, char* version) {
    if (!readProductText("Name", name) || !readProductText("Version", version))
        return false;
    formatVersionDisplay(version);
    return true;
}

bool writeInstalledRelease(const char* name, const char* version, RunFlags runFlags) {
    bool install = (runFlags & Install) != 0;
    if (install && (!name || !version))
        return false;
    HKEY key = openProductKey(KEY_ALL_ACCESS);
    if (!key)
        return false;
    bool done = install ? setTextValue(key, "Name", name) && setTextValue(key, "Version", version)
                        : deleteValue(key, "Name") && deleteValue(key, "Version");
    RegCloseKey(key);
    return done;
}

bool readMenuFolder(char* buffer) {
    return readProductText("MenuDir", buffer);
}

bool writeMenuFolder(const char* folder, RunFlags runFlags) {
    bool install = (runFlags & Install) != 0;
    if (install && !folder)
        return false;
    HKEY key = openProductKey(KEY_ALL_ACCESS);
    if (!key)
        return false;
    bool done = install ? setTextValue(key, "MenuDir", folder) : deleteValue(key, "MenuDir");
    RegCloseKey(key);
    return done;
}

bool readInternetFunction(DWORD* value) {
    HKEY key = openProductKey(KEY_READ);
    if (!key)
        return false;
    bool found = queryNumberValue(key, "InternetFunction", value);
    RegCloseKey(key);
    return found;
}

bool writeDownloadSettings(DWORD internetFunction, const char* downloadDir, RunFlags runFlags) {
    HKEY key = openProductKey(KEY_ALL_ACCESS);
    if (!key)
        return false;
    bool done;
    if (runFlags & Install) {
        // A download folder chosen earlier (by setup or by the user) stays.
        done = (hasValue(key, "DownloadDir") ||
                (downloadDir && setTextValue(key, "DownloadDir", downloadDir))) &&
               setNumberValue(key, "InternetFunction", internetFunction);
    } else {
        done = deleteValue(key, "DownloadDir");
        deleteValue(key, "ProxyServer");
    }
    RegCloseKey(key);
    return done;
}

bool readProgramExe(char* buffer, DWORD* size) {
    HKEY key = openProductKey(KEY_READ);
    if (!key)
        return false;
    bool read = queryTextValue(key, DefaultValue, buffer, *size, size);
    RegCloseKey(key);
    return read;
}
