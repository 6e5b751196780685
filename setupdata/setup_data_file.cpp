#include "setupdata/setup_data_file.h"

#include <windows.h>
#include <shlobj.h>

#include "base/bounded_text.h"
#include "base/platform.h"
#include "catalog/release_lookup.h"
#include "registry/product_key.h"
#include "setupdata/setup_data_sources.h"
#include "setupdata/string_reference.h"

namespace {

unsigned readSetupValue(const char* section, const char* key, char* output) {
    return readSetupString(section, key, "", output, TextBufferSize, setupData.setupDataPath);
}

unsigned readProfileString(const char* section, const char* key, const char* defaultValue,
                           char* output, unsigned size, void* filePath) {
    return GetPrivateProfileStringA(section, key, defaultValue, output, size,
                                    (const char*)filePath);
}

// A folder the shell cannot name fails: an empty path would put the shortcuts at the root
// of the current drive.
bool shellFolder(int folder, char* path) {
    path[0] = '\0';
    return SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK &&
           path[0] != '\0';
}

} // namespace

unsigned readSetupString(const char* section, const char* key, const char* defaultValue,
                         char* output, unsigned outputSize, const char* filePath) {
    return resolveSetupString(
        section, key, defaultValue, output, outputSize, queryEnvironment.systemLanguage,
        queryEnvironment.systemLanguagePrimary, readProfileString, (void*)filePath);
}

unsigned readTargetDir(char* output) {
    char folder[TextBufferSize];
    char target[TextBufferSize];
    if (!readCurrentVersionValue("ProgramFilesDir", folder, sizeof folder))
        return 0;
    unsigned count = readSetupValue("INIT", "TARGET", target);
    // A folder that would not fit is refused whole, never cut.
    if (count == 0 || !formatText(output, TextBufferSize, "%s\\%s", folder, target))
        return 0;
    return count;
}

bool readMenuDir(char* output) {
    char group[TextBufferSize];
    if (readSetupValue("INIT", "GROUP", group) == 0)
        return false;
    bool nt = isNtFamily();
    char folder[TextBufferSize];
    if (group[0] == '\\') {
        return shellFolder(nt ? CSIDL_COMMON_STARTMENU : CSIDL_STARTMENU, folder) &&
               formatText(output, TextBufferSize, "%s%s", folder, group[1] ? group : "");
    }
    if (!shellFolder(nt ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS, folder))
        return false;
    if (group[0] == '.')
        return copyText(output, TextBufferSize, folder);
    return formatText(output, TextBufferSize, "%s\\%s", folder, group);
}

unsigned readDefaultSearch(char* output) {
    return readSetupValue("INIT", "DEFAULTSEARCH", output);
}

unsigned readDownloadList(char* output) {
    return readSetupValue("INIT", "DOWNLOAD", output);
}

int readRadarKind() {
    // A value beginning with "." switches its entry off.
    char value[TextBufferSize] = "";
    if (readSetupValue("RADAR", "FILE", value) != 0 && value[0] != '.')
        return 1;
    value[0] = '\0';
    if (readSetupValue("RADAR", "ALTFILE", value) != 0 && value[0] != '.')
        return 2;
    return 0;
}

bool readReleaseInfo(char* name, char* version) {
    if (catalogMode) {
        return lookupReleaseValue("RELEASE", "NAME", name, TextBufferSize, "QUOLEN",
                                  setupData.catalog, &queryEnvironment, 0) &&
               lookupReleaseValue("RELEASE", "VERSION", version, TextBufferSize, "QUOLEN",
                                  setupData.catalog, &queryEnvironment, 0);
    }
    const char* file = setupData.releaseSourcePath;
    return readSetupString("RELEASE", "NAME", "", name, TextBufferSize, file) != 0 &&
           readSetupString("RELEASE", "VERSION", "", version, TextBufferSize, file) != 0;
}
