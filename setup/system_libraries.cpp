#include "setup/system_libraries.h"

#include <delayimp.h>

#include "base/bounded_text.h"

// The start of the program's image in memory, provided by the linker.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// The libraries setup.exe does not import (see setup/CMakeLists.txt): none of them is a known
// library of every system the program runs on, so the system would look beside the program
// first. The first is the common controls library.
const char* const boundLibraries[] = {"comctl32.dll", "ole32.dll", "shfolder.dll", "setupapi.dll"};

const DWORD SearchSystemFolder = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32

bool sameName(const char* left, const char* right) {
    return lstrcmpiA(left, right) == 0;
}

// Activation contexts (Windows XP on) resolve the common controls through the manifest, to the
// system's assembly store.
bool hasActivationContexts() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel && GetProcAddress(kernel, "CreateActCtxA") != nullptr;
}

} // namespace

void restrictLibrarySearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryProc)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return;
    // Windows 8 on, and Windows Vista and 7 with update KB2533623: the system folder only.
    SetDefaultDllDirectoriesProc setDefaultDirectories =
        (SetDefaultDllDirectoriesProc)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefaultDirectories)
        setDefaultDirectories(SearchSystemFolder);
    // Windows XP SP1 on: no current folder in the search.
    SetDllDirectoryProc setDirectory =
        (SetDllDirectoryProc)(void*)GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDirectory)
        setDirectory("");
}

HMODULE loadSystemLibrary(const char* name) {
    if (sameName(name, boundLibraries[0]) && hasActivationContexts())
        return LoadLibraryA(name);
    char path[TextBufferSize];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path || !appendText(path, sizeof path, "\\") ||
        !appendText(path, sizeof path, name))
        return nullptr;
    // The altered search looks for the library's own imports beside it, in the system folder,
    // and not in the program's folder.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool loadSystemLibraries() {
    for (const char* name : boundLibraries) {
        if (!loadSystemLibrary(name))
            return false;
    }
    return true;
}

// Called by the linker's thunks on the first call of each function of a bound library: finds
// the library (loaded at start) and the function, and patches the call's address slot.
extern "C" FARPROC WINAPI __delayLoadHelper2(PCImgDelayDescr descriptor, FARPROC* slot) {
    // Descriptors hold addresses relative to the image (dlattrRva) or absolute ones.
    UINT_PTR base = (descriptor->grAttrs & dlattrRva) ? (UINT_PTR)&__ImageBase : 0;
    const char* name = (const char*)(base + descriptor->rvaDLLName);
    HMODULE* module = (HMODULE*)(base + descriptor->rvaHmod);
    FARPROC* firstSlot = (FARPROC*)(base + descriptor->rvaIAT);
    const IMAGE_THUNK_DATA* entry =
        (const IMAGE_THUNK_DATA*)(base + descriptor->rvaINT) + (slot - firstSlot);
    if (!*module)
        *module = loadSystemLibrary(name);
    FARPROC function = nullptr;
    if (*module) {
        LPCSTR procedure =
            IMAGE_SNAP_BY_ORDINAL(entry->u1.Ordinal)
                ? (LPCSTR)(UINT_PTR)IMAGE_ORDINAL(entry->u1.Ordinal)
                : (LPCSTR)((const IMAGE_IMPORT_BY_NAME*)(base + entry->u1.AddressOfData))->Name;
        function = GetProcAddress(*module, procedure);
    }
    // Every bound function exists on every supported system; a broken system ends the program
    // here rather than calling nowhere.
    if (!function)
        ExitProcess(ERROR_PROC_NOT_FOUND);
    *slot = function;
    return function;
}
