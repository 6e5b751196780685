// Loads the setup data from the folder the probe was copied into, as setup.exe does, and
// writes what it found to a report file, one "name=value" line each:
//
//   setupdata_probe.exe REPORT [/U] [shellfails] [string:SECTION:KEY ...] [readers]
//
// shellfails: the shell's folder service fails, as where the profile folders cannot be read.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "setupdata/setup_data_file.h"
#include "setupdata/setup_data_sources.h"
#include "xml/text_conversion.h"

namespace {

bool shellFails;

HRESULT WINAPI getFolderPath(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path) {
    if (shellFails)
        return E_FAIL;
    typedef HRESULT(WINAPI * GetFolder)(HWND, int, HANDLE, DWORD, LPSTR);
    GetFolder real =
        (GetFolder)(void*)GetProcAddress(LoadLibraryA("shell32.dll"), "SHGetFolderPathA");
    return real(owner, folder, token, flags, path);
}

} // namespace

// The program's calls of the shell's folder service go through this slot.
extern "C" {
#if defined(_WIN64)
void* getFolderPathSlot __asm__("__imp_SHGetFolderPathA") = (void*)getFolderPath;
#else
void* getFolderPathSlot __asm__("__imp__SHGetFolderPathA@20") = (void*)getFolderPath;
#endif
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    FILE* report = std::fopen(argv[1], "w");
    if (!report)
        return 3;
    RunFlags flags = Install;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "/U") == 0)
            flags = 0;
        shellFails = shellFails || std::strcmp(argv[i], "shellfails") == 0;
    }

    bool loaded = loadSetupData(GetModuleHandleA(nullptr), flags);
    std::fprintf(report, "load=%d\n", loaded ? 1 : 0);
    std::fprintf(report, "systemLanguage=%04X\n", queryEnvironment.systemLanguage);
    std::fprintf(report, "systemLanguagePrimary=%04X\n", queryEnvironment.systemLanguagePrimary);
    std::fprintf(report, "userLanguage=%04X\n", GetUserDefaultLangID());
    std::fprintf(report, "catalogMode=%d\n", catalogMode ? 1 : 0);
    std::fprintf(report, "catalog=%d\n", setupData.catalog ? 1 : 0);
    std::fprintf(report, "setupDataPath=%s\n", setupData.setupDataPath);
    std::fprintf(report, "releaseSourcePath=%s\n", setupData.releaseSourcePath);
    char layer[MAX_PATH] = "";
    if (setupData.layerLibrary)
        GetModuleFileNameA(setupData.layerLibrary, layer, MAX_PATH);
    std::fprintf(report, "layer=%s\n", layer);
    std::fprintf(report, "layerIsStandIn=%d\n",
                 setupData.layerLibrary &&
                         GetProcAddress(setupData.layerLibrary, "KestraneStandInLayer")
                     ? 1
                     : 0);

    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument.rfind("string:", 0) == 0) {
            std::string rest = argument.substr(7);
            std::string section = rest.substr(0, rest.find(':'));
            std::string key = rest.substr(rest.find(':') + 1);
            char value[260] = "(untouched)";
            unsigned count = readSetupString(section.c_str(), key.c_str(), "", value, sizeof value,
                                             setupData.setupDataPath);
            std::fprintf(report, "string:%s:%s=%u:%s\n", section.c_str(), key.c_str(), count,
                         value);
        } else if (argument == "readers") {
            char value[260] = "", name[260] = "", version[260] = "";
            unsigned count = readTargetDir(value);
            std::fprintf(report, "target=%u:%s\n", count, count ? value : "");
            value[0] = '\0';
            bool menu = readMenuDir(value);
            std::fprintf(report, "menu=%d:%s\n", menu ? 1 : 0, menu ? value : "");
            value[0] = '\0';
            count = readDefaultSearch(value);
            std::fprintf(report, "defaultSearch=%u:%s\n", count, value);
            value[0] = '\0';
            count = readDownloadList(value);
            std::fprintf(report, "download=%u:%s\n", count, value);
            std::fprintf(report, "radar=%d\n", readRadarKind());
            bool release = readReleaseInfo(name, version);
            std::fprintf(report, "release=%d:%s:%s\n", release ? 1 : 0, name, version);
            char ansi[260] = "";
            uint32_t size = sizeof ansi;
            std::fprintf(report, "conversion=%d\n", utf8ToAnsi("K\xC3\xB6ln", ansi, &size) ? 1 : 0);
        }
    }
    std::fclose(report);
    return 0;
}
