#include "tools/zelcat/profile_source.h"

#if defined(_WIN32)
#include <string.h>
#include <windows.h>
#endif

bool openProfileSource(const std::string& path, ProfileSource* source) {
    source->path = path;
    source->systemPath = path;
    source->reads.clear();
    source->disagreed = false;
    if (!loadProfile(path.c_str(), &source->file))
        return false;
#if defined(_WIN32)
    // The system looks for a file named without a folder in the Windows folder.
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return false;
    source->systemPath = full;
#endif
    return true;
}

unsigned readFromProfileSource(const char* section, const char* key, const char* defaultValue,
                               char* output, unsigned size, void* context) {
    ProfileSource* source = (ProfileSource*)context;
    const ProfileKey* entry = findProfileKey(source->file, section, key);
    ProfileRead read = {section, key, 0, 0, entry ? entry->line : 0};
#if defined(_WIN32)
    std::vector<char> scanned(size ? size : 1);
    unsigned scannedCount = readProfileValue(source->file, section, key, defaultValue,
                                             scanned.data(), size, &read.line);
    read.count = GetPrivateProfileStringA(section, key, defaultValue, output, size,
                                          source->systemPath.c_str());
    if (read.count != scannedCount || (size && memcmp(output, scanned.data(), read.count) != 0))
        source->disagreed = true;
#else
    read.count =
        readProfileValue(source->file, section, key, defaultValue, output, size, &read.line);
#endif
    source->reads.push_back(read);
    return read.count;
}
