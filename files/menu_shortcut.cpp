#include "files/menu_shortcut.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string.h>
#include <wchar.h>

#include "base/bounded_text.h"
#include "base/platform.h"
#include "files/files_internal.h"

namespace {

// Folders where older releases put their shortcut, beside the menu folder.
const WCHAR* const siblingFolders[] = {L"\\Kestrane", L"\\Access NRX"};

void notifyShell() {
    // The 9x shell is not waited for (flush without waiting, 0x2000).
    SHChangeNotify(SHCNE_ASSOCCHANGED, isNtFamily() ? SHCNF_FLUSH : 0x2000, nullptr, nullptr);
}

bool appendWide(WCHAR* text, size_t size, const WCHAR* tail) {
    size_t used = wcslen(text);
    size_t length = wcslen(tail);
    if (used + length >= size)
        return false;
    memcpy(text + used, tail, (length + 1) * sizeof(WCHAR));
    return true;
}

// A menu folder named like a sibling ("...\Programs\Kestrane") is that sibling: its own
// shortcut must stay. Compared in the ANSI form, whose comparison knows letter case in every
// code page.
bool isMenuFolder(const WCHAR* sibling, const char* menuFolder) {
    char ansi[TextBufferSize];
    return WideCharToMultiByte(CP_ACP, 0, sibling, -1, ansi, sizeof ansi, nullptr, nullptr) &&
           lstrcmpiA(ansi, menuFolder) == 0;
}

// Our shortcuts take their icon from their target, so the icon location tells an older
// shortcut to the same program whatever its name. At most one entry goes.
void removeStaleShortcutIn(const char* targetPath, const char* menuFolder, const WCHAR* sibling) {
    // The path is cut in its wide form: a double-byte character can hold the byte of "\".
    WCHAR pattern[TextBufferSize];
    if (!MultiByteToWideChar(CP_ACP, 0, menuFolder, -1, pattern, TextBufferSize))
        return;
    WCHAR* lastBackslash = wcsrchr(pattern, L'\\');
    if (!lastBackslash)
        return;
    *lastBackslash = L'\0';
    if (!appendWide(pattern, TextBufferSize, sibling) || isMenuFolder(pattern, menuFolder) ||
        !appendWide(pattern, TextBufferSize, L"\\*"))
        return;
    size_t folderLength = wcslen(pattern) - 1; // up to and with the backslash before "*"

    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!wcscmp(entry.cFileName, L".") || !wcscmp(entry.cFileName, L".."))
            continue;
        WCHAR path[TextBufferSize];
        char ansiPath[TextBufferSize];
        size_t nameLength = wcslen(entry.cFileName);
        if (folderLength + nameLength >= TextBufferSize)
            continue;
        memcpy(path, pattern, folderLength * sizeof(WCHAR));
        memcpy(path + folderLength, entry.cFileName, (nameLength + 1) * sizeof(WCHAR));
        if (!WideCharToMultiByte(CP_ACP, 0, path, -1, ansiPath, sizeof ansiPath, nullptr, nullptr))
            continue;
        SHFILEINFOA info;
        ZeroMemory(&info, sizeof info);
        SHGetFileInfoA(ansiPath, 0, &info, sizeof info, SHGFI_ICONLOCATION);
        if (info.hIcon)
            DestroyIcon(info.hIcon);
        if (lstrcmpiA(info.szDisplayName, targetPath) == 0) {
            DeleteFileW(path);
            // An open search keeps the folder busy on some systems: end it first.
            FindClose(search);
            path[folderLength - 1] = L'\0';
            RemoveDirectoryW(path); // only when it became empty
            return;
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

} // namespace

void removeStaleMenuShortcuts(const char* targetPath, const char* menuFolder) {
    // An empty target would match every entry that has no icon location.
    if (!targetPath || !*targetPath || !menuFolder)
        return;
    for (const WCHAR* sibling : siblingFolders)
        removeStaleShortcutIn(targetPath, menuFolder, sibling);
}

bool writeMenuFolderShortcut(const char* targetPath, const char* shortcutFile,
                             const char* menuFolder, RunFlags runFlags) {
    if (!(runFlags & Install)) {
        // The folder goes only when nothing else is left in it.
        if (shortcutFile)
            DeleteFileA(shortcutFile);
        if (menuFolder)
            RemoveDirectoryA(menuFolder);
        notifyShell();
        return true;
    }
    if (!targetPath || !shortcutFile || !menuFolder)
        return false;
    // One level only: a missing parent makes the save fail.
    if (GetFileAttributesA(menuFolder) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(menuFolder, nullptr);
    HRESULT initialised = CoInitialize(nullptr);
    removeStaleMenuShortcuts(targetPath, menuFolder);
    HRESULT result = saveShellLinkObject(targetPath, shortcutFile, notifyShell);
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return result == S_OK;
}
