#include "files/shortcuts.h"

#include <objbase.h>
#include <shlobj.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/platform.h"
#include "files/files_internal.h"

HRESULT saveShellLinkObject(const char* targetPath, const char* linkPath, void (*afterSave)()) {
    char workingFolder[TextBufferSize];
    WCHAR wideLinkPath[TextBufferSize];
    if (!targetPath || !linkPath || !copyText(workingFolder, sizeof workingFolder, targetPath) ||
        !MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wideLinkPath, TextBufferSize))
        return E_INVALIDARG;
    // A target without a folder gets no working folder.
    char* lastBackslash = strrchr(workingFolder, '\\');
    *(lastBackslash ? lastBackslash : workingFolder) = '\0';

    IShellLinkA* link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, (void**)&link);
    if (FAILED(result))
        return result;
    link->SetPath(targetPath);
    link->SetIconLocation(targetPath, 1);
    link->SetWorkingDirectory(workingFolder);
    IPersistFile* file = nullptr;
    result = link->QueryInterface(IID_IPersistFile, (void**)&file);
    if (SUCCEEDED(result)) {
        result = file->Save(wideLinkPath, TRUE);
        if (afterSave)
            afterSave();
        file->Release();
    }
    link->Release();
    return result;
}

HRESULT createShellLink(const char* targetPath, const char* linkPath) {
    HRESULT initialised = CoInitialize(nullptr);
    HRESULT result = saveShellLinkObject(targetPath, linkPath, nullptr);
    // Only a successful initialisation is balanced; a failed one has nothing to undo.
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return result;
}

namespace {

// The desktop of the current user; the Start menu of all users on the NT family, of the
// user on the 9x family.
bool shortcutFolder(bool startMenu, char* folder) {
    int csidl = !startMenu     ? CSIDL_DESKTOP
                : isNtFamily() ? CSIDL_COMMON_STARTMENU
                               : CSIDL_STARTMENU;
    return SHGetFolderPathA(nullptr, csidl, nullptr, 0, folder) == S_OK;
}

bool findShortcut(bool startMenu, const char* name) {
    char folder[TextBufferSize];
    char file[TextBufferSize];
    char found[TextBufferSize];
    if (!name || !shortcutFolder(startMenu, folder))
        return false;
    // ".lnk" is added only to a name without an extension of its own, as the shell's search
    // does: "Kestrane 1.03" is looked for as it is.
    const char* dot = strrchr(name, '.');
    bool extension = dot && !strchr(dot, '\\');
    return formatText(file, sizeof file, extension ? "%s" : "%s.lnk", name) &&
           findFileIn(folder, file, found);
}

bool writeShortcut(bool startMenu, const char* targetPath, const char* name, RunFlags mode) {
    char folder[TextBufferSize];
    char file[TextBufferSize];
    bool located = name && shortcutFolder(startMenu, folder) &&
                   formatText(file, sizeof file, "%s\\%s.lnk", folder, name);
    if (!(mode & Install)) {
        // The link file itself goes, also for a name whose dotted suffix keeps the search
        // from finding it; a missing file is no failure.
        if (located)
            DeleteFileA(file);
        return true;
    }
    return located && createShellLink(targetPath, file) == S_OK;
}

} // namespace

bool hasDesktopShortcut(const char* name) {
    return findShortcut(false, name);
}

bool hasStartMenuShortcut(const char* name) {
    return findShortcut(true, name);
}

bool writeDesktopShortcut(const char* targetPath, const char* name, RunFlags mode) {
    return writeShortcut(false, targetPath, name, mode);
}

bool writeStartMenuShortcut(const char* targetPath, const char* name, RunFlags mode) {
    return writeShortcut(true, targetPath, name, mode);
}
