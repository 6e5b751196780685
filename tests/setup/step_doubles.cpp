#include "step_doubles.h"

#include <setupapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "files/file_set.h"
#include "files/menu_shortcut.h"
#include "files/shortcuts.h"
#include "registry/browser_button.h"
#include "registry/package_records.h"
#include "registry/product_key.h"
#include "registry/uninstall_entry.h"
#include "setup/platform_checks.h"
#include "setupdata/setup_data_file.h"
#include "setupdata/setup_data_sources.h"

StepDoubles doubles;

namespace {

std::string text(const char* value) {
    return value ? "\"" + std::string(value) + "\"" : "null";
}

std::string hex(unsigned long value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%lX", value);
    return buffer;
}

bool record(const std::string& name, const std::string& arguments = "") {
    doubles.calls.push_back(name + "(" + arguments + ")");
    return doubles.failing.count(name) == 0;
}

void copy(char* destination, const std::string& source) {
    std::strncpy(destination, source.c_str(), 259);
    destination[259] = '\0';
}

} // namespace

void resetDoubles() {
    doubles = StepDoubles();
    SetupOptions& o = doubles.options;
    o.internetFunction = 1;
    o.desktopIcon = 1;
    o.startMenuIcon = 1;
    o.toolbarButton = 1;
    copy(o.productName, "Quolen Test");
    copy(o.productVersion, "1.05.0000");
    copy(o.sourceDir, "C:\\media");
    copy(o.programDir, "C:\\Program Files\\Quolen");
    copy(o.programExe, "C:\\Program Files\\Quolen\\\\Quolen.exe");
    copy(o.menuDir, "C:\\Menu\\Quolen");
    copy(o.menuShortcut, "C:\\Menu\\Quolen\\Quolen Test.lnk");
    setupData = SetupDataState();
}

std::vector<std::string> callNames() {
    std::vector<std::string> names;
    for (const std::string& call : doubles.calls)
        names.push_back(call.substr(0, call.find('(')));
    return names;
}

bool wasCalled(const std::string& name) {
    return callCount(name) > 0;
}

int callCount(const std::string& name) {
    std::vector<std::string> names = callNames();
    return (int)std::count(names.begin(), names.end(), name);
}

bool wasCalledWith(const std::string& call) {
    return std::find(doubles.calls.begin(), doubles.calls.end(), call) != doubles.calls.end();
}

// Setup data and options.
bool loadSetupData(HINSTANCE instance, RunFlags runFlags) {
    setupData.instance = instance;
    return record("loadSetupData", hex(runFlags));
}
unsigned readDefaultSearch(char* output) {
    record("readDefaultSearch");
    copy(output, doubles.defaultSearch);
    return (unsigned)std::strlen(output);
}
unsigned readDownloadList(char* output) {
    record("readDownloadList");
    copy(output, doubles.downloadList);
    return (unsigned)std::strlen(output);
}
bool collectSetupOptions(BOOL* cancelled, SetupOptions* options, char* installedVersion,
                         RunFlags runFlags) {
    if (!record("collectSetupOptions", hex(runFlags)))
        return false;
    *options = doubles.options;
    options->flags = runFlags;
    copy(installedVersion, doubles.installedVersion);
    *cancelled = doubles.cancel;
    return true;
}

// Platform checks.
bool isAdministrator() {
    return record("isAdministrator");
}
bool enableTakeOwnership() {
    return record("enableTakeOwnership");
}
bool checkPlatform() {
    return record("checkPlatform");
}
bool checkServicePack() {
    return record("checkServicePack");
}

void releaseSetupData() {
    record("releaseSetupData");
}

// Files and shortcuts.
bool deployFileSet(HWND owner, const char* folder, BOOL inUse, RunFlags runFlags) {
    return record("deployFileSet", std::string(owner ? "owner" : "null") + ", " + text(folder) +
                                       ", " + std::to_string(inUse) + ", " + hex(runFlags));
}
bool writeDesktopShortcut(const char* target, const char* name, RunFlags mode) {
    return record("writeDesktopShortcut", text(target) + ", " + text(name) + ", " + hex(mode));
}
bool writeStartMenuShortcut(const char* target, const char* name, RunFlags mode) {
    return record("writeStartMenuShortcut", text(target) + ", " + text(name) + ", " + hex(mode));
}
bool writeMenuFolderShortcut(const char* target, const char* file, const char* folder,
                             RunFlags runFlags) {
    return record("writeMenuFolderShortcut",
                  text(target) + ", " + text(file) + ", " + text(folder) + ", " + hex(runFlags));
}

// Registry.
bool writeProgramFolder(const char* folder, RunFlags runFlags) {
    return record("writeProgramFolder", text(folder) + ", " + hex(runFlags));
}
bool writeInstalledRelease(const char* name, const char* version, RunFlags runFlags) {
    return record("writeInstalledRelease",
                  text(name) + ", " + text(version) + ", " + hex(runFlags));
}
bool writeMenuFolder(const char* folder, RunFlags runFlags) {
    return record("writeMenuFolder", text(folder) + ", " + hex(runFlags));
}
bool writeDownloadSettings(DWORD internetFunction, const char* folder, RunFlags runFlags) {
    return record("writeDownloadSettings",
                  std::to_string(internetFunction) + ", " + text(folder) + ", " + hex(runFlags));
}
bool writeUninstallEntry(const char* uninstaller, const char* name, const char* version,
                         RunFlags runFlags) {
    return record("writeUninstallEntry", text(uninstaller) + ", " + text(name) + ", " +
                                             text(version) + ", " + hex(runFlags));
}
bool writeSearchPath(const char* folder, RunFlags runFlags) {
    bool succeeds = record("writeSearchPath", text(folder) + ", " + hex(runFlags));
    return succeeds && !(folder && doubles.failingSearchPaths.count(folder));
}
bool refreshPackageRecords() {
    return record("refreshPackageRecords");
}
bool writeBrowserButton(const char* program, const char* icon, const char* text_, int create) {
    return record("writeBrowserButton", text(program) + ", " + text(icon) + ", " + text(text_) +
                                            ", " + std::to_string(create));
}

// The three user-facing system calls of the final report, substituted through their import
// slots so that no box blocks the test and the restart prompt (a stub under Wine) is seen;
// and the pauses, recorded beside the progress bar's positions and then taken.
extern "C" {
static void WINAPI sleepDouble(DWORD milliseconds) {
    doubles.progressEvents.push_back("sleep " + std::to_string(milliseconds));
    typedef void(WINAPI * SleepProc)(DWORD);
    ((SleepProc)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "Sleep"))(milliseconds);
}
static int WINAPI messageBoxDouble(HWND owner, LPCSTR text_, LPCSTR caption, UINT type) {
    doubles.boxes.push_back({owner, text_ ? text_ : "", caption ? caption : "(null)", type});
    return IDOK;
}
static INT WINAPI setupPromptRebootDouble(HSPFILEQ queue, HWND owner, BOOL scanOnly) {
    doubles.rebootPrompts.push_back(std::string(queue ? "queue" : "null") + ", " +
                                    (owner ? "owner" : "null") + ", " + std::to_string(scanOnly));
    return 0;
}
static BOOL WINAPI shellExecuteExDouble(SHELLEXECUTEINFOA* info) {
    doubles.shellExecutes.push_back(
        std::string("size=") + std::to_string(info->cbSize) + " mask=" + hex(info->fMask) +
        " owner=" + (info->hwnd ? "set" : "null") + " verb=" + text(info->lpVerb) +
        " file=" + text(info->lpFile) + " parameters=" + text(info->lpParameters) +
        " directory=" + text(info->lpDirectory) + " show=" + std::to_string(info->nShow));
    return TRUE;
}
#if defined(_WIN64)
void* sleepSlot __asm__("__imp_Sleep") = (void*)sleepDouble;
void* messageBoxSlot __asm__("__imp_MessageBoxA") = (void*)messageBoxDouble;
void* rebootSlot __asm__("__imp_SetupPromptReboot") = (void*)setupPromptRebootDouble;
void* executeSlot __asm__("__imp_ShellExecuteExA") = (void*)shellExecuteExDouble;
#else
void* sleepSlot __asm__("__imp__Sleep@4") = (void*)sleepDouble;
void* messageBoxSlot __asm__("__imp__MessageBoxA@16") = (void*)messageBoxDouble;
void* rebootSlot __asm__("__imp__SetupPromptReboot@12") = (void*)setupPromptRebootDouble;
void* executeSlot __asm__("__imp__ShellExecuteExA@4") = (void*)shellExecuteExDouble;
#endif
}
