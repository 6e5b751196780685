#include "base/platform.h"

#include <string.h>

#include "base/bounded_text.h"

bool readVersion(OSVERSIONINFOA* version) {
    ZeroMemory(version, sizeof *version);
    version->dwOSVersionInfoSize = sizeof *version;
    return GetVersionExA(version) != FALSE;
}

bool isNtFamily() {
    OSVERSIONINFOA version;
    return readVersion(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool getSourceFolder(char* folder) {
    DWORD length = GetModuleFileNameA(nullptr, folder, TextBufferSize);
    if (length == 0 || length >= TextBufferSize)
        return false;
    char* slash = strrchr(folder, '\\');
    if (!slash)
        return false;
    *slash = '\0';
    return true;
}

bool findFileIn(const char* folder, const char* name, char* path) {
    // Exactly folder\name: a search path would take a ";" in the folder's name as a separator
    // and a relative piece from the current folder.
    char candidate[TextBufferSize];
    if (!formatText(candidate, sizeof candidate, "%s\\%s", folder, name))
        return false;
    DWORD attributes = GetFileAttributesA(candidate);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           copyText(path, TextBufferSize, candidate);
}
