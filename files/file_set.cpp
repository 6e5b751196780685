#include "files/file_set.h"

#include <aclapi.h>
#include <shellapi.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/platform.h"
#include "base/run_state.h"
#include "files/files_internal.h"

namespace {

enum { FileCount = 12 };

// Copy and move in pairs, without dialogs; delete without dialogs and without recycle bin.
const FILEOP_FLAGS PairFlags =
    FOF_MULTIDESTFILES | FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR; // 0x0215
const FILEOP_FLAGS DeleteFlags = FOF_SILENT | FOF_NOCONFIRMATION;              // 0x0014

// The 9x family carries out the "rename" section of this file at its next start.
const char RestartFile[] = "WININIT.INI";
const char RestartSection[] = "rename";

struct FileRow {
    const char* source[2]; // on the media: release file form, catalog form
    const char* target[2]; // installed
};

// Row 1 is the setup program, taken by its media name whatever name it runs under, and
// becomes the uninstaller in the Windows folder. The media hold the manager without extension.
const FileRow fileRows[FileCount] = {
    {{"setup.exe", "setup.exe"}, {"_zelu000.exe", "_zelu000.exe"}},
    {{"Quolen", "Quolen"}, {"Quolen.exe", "Quolen.exe"}},
    {{"Quolen.zel", "NRXZEL.xml"}, {"ZelSetup.ini", "ZelSetup.xml"}},
    {{"ZelSetup.dat", "ZelSetup.dat"}, {"ZelSetup.dat", "ZelSetup.dat"}},
    {{"ZelSetup.dll", "ZelSetup.dll"}, {"ZelSetup.dll", "ZelSetup.dll"}},
    {{"ZELSYSID.sys", "ZELSYSID.sys"}, {"ZELSYSID.sys", "ZELSYSID.sys"}},
    {{"ZELSYSID.vxd", "ZELSYSID.vxd"}, {"ZELSYSID.vxd", "ZELSYSID.vxd"}},
    {{"zelliba.dll", "zelliba.dll"}, {"zelliba.dll", "zelliba.dll"}},
    {{"zellibb.dll", "zellibb.dll"}, {"zellibb.dll", "zellibb.dll"}},
    {{"unicows.dll", "unicows.dll"}, {"unicows.dll", "unicows.dll"}},
    {{"ZELNTDEV.sys", "ZELNTDEV.sys"}, {"ZELNTDEV.sys", "ZELNTDEV.sys"}},
    {{"ZelFlash.dll", "ZelFlash.dll"}, {"ZelFlash.dll", "ZelFlash.dll"}},
};

typedef char PathText[TextBufferSize];

// "NUL=" and a path, for each file of the set, and the closing empty line.
typedef char RestartLines[FileCount * (TextBufferSize + 4) + 1];

bool folderExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool createFolder(const char* path) {
    return CreateDirectoryA(path, nullptr) ||
           (GetLastError() == ERROR_ALREADY_EXISTS && folderExists(path));
}

bool readTempFolder(char* folder) {
    DWORD length = GetTempPathA(TextBufferSize, folder);
    return length > 0 && length < TextBufferSize;
}

bool readWindowsFolder(char* folder) {
    UINT length = GetWindowsDirectoryA(folder, TextBufferSize);
    return length > 0 && length < TextBufferSize;
}

// The installed paths of the chosen form: row 1 (index 0) in the Windows folder, the rest in the
// program folder.
bool buildInstalledPaths(const char* programFolder, PathText* paths) {
    char windowsFolder[TextBufferSize];
    if (!readWindowsFolder(windowsFolder))
        return false;
    for (int row = 0; row < FileCount; ++row) {
        if (!formatText(paths[row], sizeof paths[row], "%s\\%s",
                        row ? programFolder : windowsFolder, fileRows[row].target[catalogMode]))
            return false;
    }
    return true;
}

// A list of NUL-terminated paths ended by an empty one, sized to its paths.
char* packPathList(const PathText* paths, int count) {
    size_t size = 1;
    for (int i = 0; i < count; ++i)
        size += strlen(paths[i]) + 1;
    char* list = (char*)LocalAlloc(LPTR, size);
    if (!list)
        return nullptr;
    char* next = list;
    for (int i = 0; i < count; ++i) {
        size_t length = strlen(paths[i]) + 1;
        memcpy(next, paths[i], length);
        next += length;
    }
    return list;
}

bool runShellOperation(HWND owner, UINT function, const PathText* from, const PathText* to,
                       int count, FILEOP_FLAGS flags) {
    char* fromList = packPathList(from, count);
    char* toList = to ? packPathList(to, count) : nullptr;
    bool done = false;
    if (fromList && (toList || !to)) {
        SHFILEOPSTRUCTA operation;
        ZeroMemory(&operation, sizeof operation);
        operation.hwnd = owner;
        operation.wFunc = function;
        operation.pFrom = fromList;
        operation.pTo = toList;
        operation.fFlags = flags;
        // An operation the shell aborted half-way is no success either.
        done = SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
    }
    // LocalFree passes over a list that was never allocated.
    LocalFree(toList);
    LocalFree(fromList);
    return done;
}

bool deleteNow(HWND owner, const char* path) {
    PathText single;
    return copyText(single, sizeof single, path) &&
           runShellOperation(owner, FO_DELETE, &single, nullptr, 1, DeleteFlags);
}

bool scheduleDeletion(const char* path) {
    return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

// The 8.3 form the 9x restart step understands. A file that does not exist yet has none of
// its own: its folder's short form followed by its name (all names of the set are 8.3).
bool readRestartPath(const char* path, char* shortPath) {
    DWORD length = GetShortPathNameA(path, shortPath, TextBufferSize);
    if (length > 0)
        return length < TextBufferSize;
    char folder[TextBufferSize];
    char shortFolder[TextBufferSize];
    char* lastBackslash = copyText(folder, sizeof folder, path) ? strrchr(folder, '\\') : nullptr;
    if (!lastBackslash)
        return false;
    *lastBackslash = '\0';
    length = GetShortPathNameA(folder, shortFolder, sizeof shortFolder);
    return length > 0 && length < sizeof shortFolder &&
           formatText(shortPath, TextBufferSize, "%s\\%s", shortFolder, lastBackslash + 1);
}

bool appendDeletionLine(char* lines, size_t size, size_t* used, const char* path) {
    char shortPath[TextBufferSize];
    char line[TextBufferSize + 4];
    if (!readRestartPath(path, shortPath) || !formatText(line, sizeof line, "NUL=%s", shortPath))
        return false;
    size_t length = strlen(line) + 1;
    if (*used + length >= size)
        return false;
    memcpy(lines + *used, line, length);
    *used += length;
    lines[*used] = '\0';
    return true;
}

// Writes the "rename" section as the lines already there followed by the new ones (a list
// of used bytes, without its closing empty line): the section is shared with every other
// program that waits for the restart, and their lines must survive.
bool writeRestartSection(const char* lines, size_t used) {
    DWORD size = 4096;
    char* section = nullptr;
    DWORD kept = 0;
    for (;;) {
        section = (char*)LocalAlloc(LPTR, size + used + 1);
        if (!section)
            return false;
        kept = GetPrivateProfileSectionA(RestartSection, section, size, RestartFile);
        if (kept < size - 2)
            break;
        LocalFree(section);
        size *= 4;
    }
    // kept counts the old lines with their NULs but without the closing one.
    memcpy(section + kept, lines, used);
    section[kept + used] = '\0';
    bool written = WritePrivateProfileSectionA(RestartSection, section, RestartFile) != FALSE;
    LocalFree(section);
    return written;
}

// Deletes the file name of the program folder, now or at the next restart; a folder of that
// name is no file of ours and stays.
bool removeInstalledFile(HWND owner, const char* programFolder, const char* name, BOOL inUse,
                         bool ntFamily) {
    char found[TextBufferSize];
    if (!findFileIn(programFolder, name, found))
        return true;
    if (!inUse)
        return deleteNow(owner, found);
    if (ntFamily)
        return scheduleDeletion(found);
    RestartLines lines;
    size_t used = 0;
    return appendDeletionLine(lines, sizeof lines, &used, found) &&
           writeRestartSection(lines, used);
}

// Every destination is replaced by its staged file at the next restart; after the first
// failure nothing more is registered.
bool scheduleReplacements(const PathText* staged, const PathText* destinations, bool ntFamily) {
    for (int row = 0; row < FileCount; ++row) {
        if (ntFamily) {
            // The old file goes first: a rename at restart does not replace an existing file.
            if (!scheduleDeletion(destinations[row]) ||
                !MoveFileExA(staged[row], destinations[row], MOVEFILE_DELAY_UNTIL_REBOOT))
                return false;
            continue;
        }
        char shortStaged[TextBufferSize];
        char shortDestination[TextBufferSize];
        if (!readRestartPath(staged[row], shortStaged) ||
            !readRestartPath(destinations[row], shortDestination) ||
            !WritePrivateProfileStringA(RestartSection, shortDestination, shortStaged, RestartFile))
            return false;
    }
    return true;
}

// A shell move can pass over a file it could not move (one it cannot write, or a source that
// vanished) and still report success: every file must have reached its destination.
bool allMoved(const PathText* staged, const PathText* destinations) {
    for (int row = 0; row < FileCount; ++row) {
        if (GetFileAttributesA(destinations[row]) == INVALID_FILE_ATTRIBUTES ||
            GetFileAttributesA(staged[row]) != INVALID_FILE_ATTRIBUTES)
            return false;
    }
    return true;
}

// The set is files: a folder on the media, in the temporary folder or at a destination, named
// like one of them, would be copied or moved whole and installed as the product.
bool anyFolderAmong(const PathText* paths) {
    for (int row = 0; row < FileCount; ++row) {
        if (folderExists(paths[row]))
            return true;
    }
    return false;
}

bool installFileSet(HWND owner, const char* programFolder, BOOL inUse) {
    bool ntFamily = isNtFamily();
    char setupFolder[TextBufferSize];
    char tempFolder[TextBufferSize];
    PathText sources[FileCount];
    PathText staged[FileCount];
    PathText destinations[FileCount];
    // Every path is built before anything changes: one that does not fit changes nothing.
    if (!getSourceFolder(setupFolder) || !readTempFolder(tempFolder) ||
        !buildInstalledPaths(programFolder, destinations))
        return false;
    for (int row = 0; row < FileCount; ++row) {
        if (!formatText(sources[row], sizeof sources[row], "%s\\%s", setupFolder,
                        fileRows[row].source[catalogMode]) ||
            !formatText(staged[row], sizeof staged[row], "%s%s", tempFolder,
                        fileRows[row].target[catalogMode]))
            return false;
    }

    // Nothing outside the temporary folder changes until every file is staged.
    if (anyFolderAmong(sources) || anyFolderAmong(staged) || anyFolderAmong(destinations) ||
        !runShellOperation(owner, FO_COPY, sources, staged, FileCount, PairFlags) ||
        !createFolderPath(programFolder))
        return false;
    // Not counted: a temporary folder on a volume without access lists (FAT) fails this for
    // every file, and the files still install, with the folder's own access.
    if (ntFamily) {
        for (int row = 0; row < FileCount; ++row)
            secureStagedFile(staged[row]);
    }
    const char* otherReleaseDescription = catalogMode ? "ZelSetup.ini" : "ZelSetup.xml";
    if (!removeInstalledFile(owner, programFolder, otherReleaseDescription, inUse, ntFamily))
        return false;
    if (ntFamily &&
        !removeInstalledFile(owner, programFolder, "quolen.exe.manifest", inUse, ntFamily))
        return false;

    if (!inUse)
        return runShellOperation(owner, FO_MOVE, staged, destinations, FileCount, PairFlags) &&
               allMoved(staged, destinations);
    return scheduleReplacements(staged, destinations, ntFamily);
}

// The running uninstaller (row 1, index 0) can only go at the next restart; the program folder and
// anything else in it stay.
bool removeFileSet(HWND owner, const char* programFolder, BOOL inUse) {
    bool ntFamily = isNtFamily();
    PathText paths[FileCount];
    if (!buildInstalledPaths(programFolder, paths))
        return false;
    RestartLines lines;
    size_t used = 0;
    if (!inUse) {
        // A file already gone is no reason to keep the others: the shell would delete none
        // of the list, and the product could never be removed.
        PathText present[FileCount];
        int count = 0;
        for (int row = 1; row < FileCount; ++row) {
            if (GetFileAttributesA(paths[row]) != INVALID_FILE_ATTRIBUTES)
                memcpy(present[count++], paths[row], sizeof present[0]);
        }
        bool deleted =
            count == 0 || runShellOperation(owner, FO_DELETE, present, nullptr, count, DeleteFlags);
        if (ntFamily)
            return deleted && scheduleDeletion(paths[0]);
        return appendDeletionLine(lines, sizeof lines, &used, paths[0]) && deleted &&
               writeRestartSection(lines, used);
    }
    for (int row = 0; row < FileCount; ++row) {
        if (ntFamily ? !scheduleDeletion(paths[row])
                     : !appendDeletionLine(lines, sizeof lines, &used, paths[row]))
            return false;
    }
    return ntFamily || writeRestartSection(lines, used);
}

} // namespace

bool deployFileSet(HWND owner, const char* programFolder, BOOL inUse, RunFlags runFlags) {
    if (!programFolder || !*programFolder)
        return false;
    return (runFlags & Install) ? installFileSet(owner, programFolder, inUse)
                                : removeFileSet(owner, programFolder, inUse);
}

bool createFolderPath(const char* path) {
    if (createFolder(path))
        return true;
    char parent[TextBufferSize];
    if (!copyText(parent, sizeof parent, path))
        return false;
    // The "\\" that opens a network path is never a level of its own.
    const char* searchFrom = parent[0] == '\\' && parent[1] ? parent + 2 : parent;
    char* lastBackslash = strrchr(searchFrom, '\\');
    if (!lastBackslash)
        return false;
    *lastBackslash = '\0';
    return createFolderPath(parent) && createFolder(path);
}

bool secureStagedFile(const char* path) {
    typedef DWORD(WINAPI * SetEntriesInAclProc)(ULONG, PEXPLICIT_ACCESS_A, PACL, PACL*);
    typedef DWORD(WINAPI * SetNamedSecurityInfoProc)(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION,
                                                     PSID, PSID, PACL, PACL);
    // Looked up at run time: the 9x family's advapi32 lacks the access-list calls.
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    SetEntriesInAclProc setEntriesInAcl =
        advapi ? (SetEntriesInAclProc)(void*)GetProcAddress(advapi, "SetEntriesInAclA") : nullptr;
    SetNamedSecurityInfoProc setNamedSecurityInfo =
        advapi ? (SetNamedSecurityInfoProc)(void*)GetProcAddress(advapi, "SetNamedSecurityInfoA")
               : nullptr;
    char file[TextBufferSize];
    if (!setEntriesInAcl || !setNamedSecurityInfo || !copyText(file, sizeof file, path))
        return false;

    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID everyone = nullptr;
    PSID administrators = nullptr;
    PACL access = nullptr;
    bool secured = false;
    if (AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                 &everyone) &&
        AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                 DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        EXPLICIT_ACCESSA entries[2];
        ZeroMemory(entries, sizeof entries);
        entries[0].grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
        entries[0].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        entries[0].Trustee.ptstrName = (LPSTR)everyone;
        entries[1].grfAccessPermissions = GENERIC_ALL;
        entries[1].Trustee.TrusteeType = TRUSTEE_IS_GROUP;
        entries[1].Trustee.ptstrName = (LPSTR)administrators;
        for (EXPLICIT_ACCESSA& entry : entries) {
            entry.grfAccessMode = SET_ACCESS;
            entry.grfInheritance = NO_INHERITANCE;
            entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        }
        secured =
            setEntriesInAcl(2, entries, nullptr, &access) == ERROR_SUCCESS &&
            setNamedSecurityInfo(file, SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                     DACL_SECURITY_INFORMATION,
                                 administrators, administrators, access, nullptr) == ERROR_SUCCESS;
    }
    LocalFree(access);
    if (administrators)
        FreeSid(administrators);
    if (everyone)
        FreeSid(everyone);
    return secured;
}
