#include "registry/package_records.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "registry/registry_values.h"

namespace {

const char InstallKeyPath[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller\\Install";

void refreshRecord(HKEY record, const char* name) {
    DWORD stored;
    if (!queryNumberValue(record, "ZEL", &stored))
        setNumberValue(record, "ZEL", equalIgnoringCase(name, "QUOLEN") ? 0x200 : 0x100);

    const BYTE emptyList[1] = {0};
    if (!hasValue(record, "RegVersion"))
        RegSetValueExA(record, "RegVersion", 0, REG_MULTI_SZ, emptyList, sizeof emptyList);

    // A version of at most two characters marks a record never really updated.
    BYTE version[TextBufferSize];
    DWORD size = sizeof version;
    if (RegQueryValueExA(record, "Version", nullptr, nullptr, version, &size) == ERROR_SUCCESS &&
        size <= 3) {
        const BYTE never[8] = {0};
        RegSetValueExA(record, "LastUpdate", 0, REG_BINARY, never, sizeof never);
    }

    if (!hasValue(record, "DeviceInfo"))
        RegSetValueExA(record, "DeviceInfo", 0, REG_MULTI_SZ, emptyList, sizeof emptyList);
    RegDeleteValueA(record, "Catalog");
}

} // namespace

bool refreshPackageRecords() {
    HKEY install = openMachineKey(InstallKeyPath, KEY_ALL_ACCESS);
    if (!install)
        return true;
    DWORD records = 0;
    if (RegQueryInfoKeyA(install, nullptr, nullptr, nullptr, &records, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        records > 0) {
        char name[TextBufferSize];
        for (DWORD index = 0; RegEnumKeyA(install, index, name, sizeof name) == ERROR_SUCCESS;
             ++index) {
            HKEY record;
            if (RegOpenKeyExA(install, name, 0, KEY_ALL_ACCESS, &record) != ERROR_SUCCESS)
                continue;
            refreshRecord(record, name);
            RegCloseKey(record);
        }
    }
    RegCloseKey(install);
    return true;
}
