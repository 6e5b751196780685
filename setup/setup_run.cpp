#include "setup/setup_run.h"

#include <commctrl.h>
#include <setupapi.h>
#include <shellapi.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/platform.h"
#include "files/file_set.h"
#include "files/menu_shortcut.h"
#include "files/shortcuts.h"
#include "registry/browser_button.h"
#include "registry/package_records.h"
#include "registry/product_key.h"
#include "registry/registry_values.h"
#include "registry/uninstall_entry.h"
#include "resources/resource_ids.h"
#include "setup/platform_checks.h"
#include "setup/progress_window.h"
#include "setup/switches.h"
#include "setupdata/install_options.h"
#include "setupdata/setup_data_file.h"
#include "setupdata/setup_data_sources.h"

namespace {

// The state of one run, held by runSetup for its whole duration.
struct SetupContext {
    RunFlags runFlags;
    BOOL succeeded;
    ResultCode resultCode;
    BOOL managerRunning;
    BOOL cancelled;
    OSVERSIONINFOA versionInfo;
    SetupOptions options;
    char installedVersion[TextBufferSize];
    char downloadDir[TextBufferSize];
    char buttonText[TextBufferSize];
    char searchList[TextBufferSize];
    char downloadList[TextBufferSize];
    const char* uninstallerName;
};

const char UninstallerName[] = "_zelu000.exe";
const char UninstallerIcon[] = "_zelu000.exe,100";
// Releases from this one on hold a named mutex; older ones are known by their window title.
const char FirstMutexRelease[] = "1.03.0000";

void initCommonControls() {
    // InitCommonControlsEx is missing from the controls library of a plain NT 4.0.
    typedef BOOL(WINAPI * InitEx)(const INITCOMMONCONTROLSEX*);
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    InitEx initEx =
        controls ? (InitEx)(void*)GetProcAddress(controls, "InitCommonControlsEx") : nullptr;
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    if (!initEx || !initEx(&classes))
        InitCommonControls();
}

// Calls visit for each piece of a list split in place at ";". A piece between two ";" in a
// row is empty; the walk ends at the first NUL where a piece would begin, or at the end of
// the 260-byte buffer.
template <typename Visit> void splitList(char* list, Visit visit) {
    char* end = list + TextBufferSize;
    for (char* piece = list; piece < end && *piece;) {
        char* separator = strchr(piece, ';');
        if (separator)
            *separator = '\0';
        visit(piece);
        piece += strlen(piece) + 1;
    }
}

// The pieces of a split list up to the first empty one, for the existence scans.
template <typename Visit> void walkPieces(const char* list, Visit visit) {
    const char* end = list + TextBufferSize;
    for (const char* piece = list; piece < end && *piece; piece += strlen(piece) + 1) {
        if (!visit(piece))
            return;
    }
}

bool isWritableFolder(const char* path) {
    return (GetFileAttributesA(path) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) ==
           FILE_ATTRIBUTE_DIRECTORY;
}

// Registers [INIT] DEFAULTSEARCH and, when none of its folders is usable, creates a download
// folder on the Windows drive from [INIT] DOWNLOAD. False when a registration failed.
bool setUpSearchPaths(SetupContext* context) {
    bool registered = true;
    char* searchList = context->searchList;
    ZeroMemory(searchList, sizeof context->searchList);
    if (readDefaultSearch(searchList) == 0 || searchList[0] == '\0')
        return true;
    splitList(searchList, [&](const char* folder) {
        registered = writeSearchPath(folder, context->runFlags) && registered;
    });

    bool usable = false;
    walkPieces(searchList, [&](const char* folder) {
        usable = isWritableFolder(folder);
        return !usable;
    });
    if (usable)
        return registered;

    char* downloadList = context->downloadList;
    ZeroMemory(downloadList, sizeof context->downloadList);
    if (readDownloadList(downloadList) == 0 || downloadList[0] == '\0')
        return registered;
    char candidate[TextBufferSize];
    UINT length = GetWindowsDirectoryA(candidate, sizeof candidate);
    if (length == 0 || length >= sizeof candidate)
        return registered;
    splitList(downloadList, [](const char*) {});

    // Each piece replaces the Windows folder's path after its drive: \DRIVERS gives C:\DRIVERS.
    // A piece too long for the 260 bytes ends the scan: the folder stays the last piece that
    // existed, and never becomes the Windows folder itself.
    bool missing = false;
    walkPieces(downloadList, [&](const char* piece) {
        char* root = strchr(candidate, '\\');
        if (!root || !copyText(root, sizeof candidate - (size_t)(root - candidate), piece))
            return false;
        copyText(context->downloadDir, sizeof context->downloadDir, candidate);
        missing = GetFileAttributesA(context->downloadDir) == INVALID_FILE_ATTRIBUTES;
        return !missing;
    });
    if (missing && CreateDirectoryA(context->downloadDir, nullptr))
        writeSearchPath(context->downloadDir, context->runFlags);
    return registered;
}

bool runInstallSteps(SetupContext* context, HWND progress) {
    SetupOptions* options = &context->options;
    RunFlags flags = context->runFlags;
    loadText(IDS_BUTTON_TEXT, context->buttonText);

    context->resultCode = ResultServicePack;
    if (!checkServicePack())
        return false;

    context->resultCode = ResultFileDeployment;
    if (!deployFileSet(nullptr, options->programDir, context->managerRunning, flags))
        return false;
    setProgress(progress, 1);

    context->resultCode = ResultShortcuts;
    if (flags & NoShellItems) {
        moveProgress(progress, 2);
    } else {
        if (options->oldProductName[0] != '\0' &&
            strcmp(options->oldProductName, options->productName) != 0) {
            writeDesktopShortcut(options->programExe, options->oldProductName, 0);
            writeStartMenuShortcut(options->programExe, options->oldProductName, 0);
            if (options->oldMenuShortcut[0] != '\0')
                writeMenuFolderShortcut(nullptr, options->oldMenuShortcut, options->menuDir, 0);
        }
        if (!writeDesktopShortcut(options->programExe, options->productName,
                                  options->desktopIcon ? flags : 0) ||
            !writeStartMenuShortcut(options->programExe, options->productName,
                                    options->startMenuIcon ? flags : 0) ||
            !writeMenuFolderShortcut(options->programExe, options->menuShortcut, options->menuDir,
                                     flags))
            return false;
        setProgress(progress, 2);
    }

    context->resultCode = ResultRegistration;
    if (!writeProgramFolder(options->programDir, flags))
        return false;
    setProgress(progress, 3);
    if (!writeInstalledRelease(options->productName, options->productVersion, flags))
        return false;
    setProgress(progress, 4);
    if (!setUpSearchPaths(context))
        return false;
    setProgress(progress, 5);
    if (!writeMenuFolder(options->menuDir, flags) ||
        !writeDownloadSettings((DWORD)options->internetFunction, context->downloadDir, flags) ||
        !writeBrowserButton(options->programExe, UninstallerIcon, context->buttonText,
                            options->toolbarButton))
        return false;
    setProgress(progress, 6);
    if (!refreshPackageRecords())
        return false;
    setProgress(progress, 7);
    if (!writeUninstallEntry(context->uninstallerName, options->productName,
                             options->productVersion, flags))
        return false;
    setProgress(progress, 8);
    return true;
}

bool runUninstallSteps(SetupContext* context, HWND progress) {
    SetupOptions* options = &context->options;
    RunFlags flags = context->runFlags;

    context->resultCode = ResultFileRemoval;
    if (!deployFileSet(nullptr, options->sourceDir, context->managerRunning, flags))
        return false;
    setProgress(progress, 2);

    context->resultCode = ResultShortcuts;
    if (!writeMenuFolderShortcut(nullptr, options->menuShortcut, options->menuDir, flags) ||
        !writeDesktopShortcut(nullptr, options->productName, flags) ||
        !writeStartMenuShortcut(nullptr, options->productName, flags))
        return false;
    setProgress(progress, 3);

    context->resultCode = ResultRegistration;
    if (!writeProgramFolder(nullptr, flags))
        return false;
    setProgress(progress, 4);
    if (!writeInstalledRelease(nullptr, nullptr, flags))
        return false;
    setProgress(progress, 5);
    if (!writeMenuFolder(nullptr, flags) || !writeDownloadSettings(0, nullptr, flags) ||
        !writeBrowserButton(nullptr, nullptr, nullptr, 0))
        return false;
    setProgress(progress, 6);
    if (!writeSearchPath(nullptr, flags))
        return false;
    setProgress(progress, 7);
    if (!writeUninstallEntry(nullptr, nullptr, nullptr, flags))
        return false;
    setProgress(progress, 8);
    return true;
}

BOOL isManagerRunning(const SetupContext* context) {
    const char* product = context->options.productName;
    if (compareVersionText(context->installedVersion, FirstMutexRelease) < 0)
        return FindWindowA(nullptr, product) != nullptr;
    HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, product);
    if (!mutex)
        return FALSE;
    BOOL running = TRUE;
    if (context->runFlags & Relaunch)
        running = WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0;
    CloseHandle(mutex);
    return running;
}

// The step code of the run, under the product's key path in the user's own hive.
void writeResultValue(ResultCode code) {
    char text[16];
    HKEY key;
    if (!formatText(text, sizeof text, "%04X", (unsigned)code) ||
        RegCreateKeyExA(HKEY_CURRENT_USER, ProductKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    setTextValue(key, "Setup", text);
    RegCloseKey(key);
}

void showFinalReport(const SetupContext* context) {
    if (context->runFlags & (Silent | NoFinalMessage))
        return;
    if (context->succeeded && context->managerRunning) {
        SetupPromptReboot(nullptr, nullptr, FALSE);
        return;
    }
    char caption[TextBufferSize];
    char text[2 * TextBufferSize];
    loadText((context->runFlags & Install) ? IDS_INSTALL_CAPTION : IDS_UNINSTALL_CAPTION, caption);
    if (context->succeeded) {
        loadText(IDS_COMPLETED, text, sizeof text);
        MessageBoxA(nullptr, text, caption, MB_ICONINFORMATION);
        return;
    }
    if (context->resultCode == ResultServicePack || context->resultCode == ResultPlatform) {
        loadText(context->resultCode, text, sizeof text);
        loadText(IDS_CANNOT_START, caption);
        MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
        return;
    }
    char format[TextBufferSize];
    char step[TextBufferSize];
    loadText(IDS_FAILED_IN_OPERATION, format);
    loadText(context->resultCode, step);
    // A translation whose format the formatter refuses still names the step.
    if (!formatText(text, sizeof text, format, step))
        copyText(text, sizeof text, step);
    MessageBoxA(nullptr, text, caption, MB_ICONWARNING);
}

void openProduct(const SetupContext* context) {
    const RunFlags wanted = Install | Relaunch;
    if ((context->runFlags & wanted) != wanted || !context->succeeded)
        return;
    SHELLEXECUTEINFOA execute;
    ZeroMemory(&execute, sizeof execute);
    execute.cbSize = sizeof execute;
    execute.lpFile = context->options.menuShortcut;
    execute.lpDirectory = context->options.menuDir;
    execute.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&execute);
}

// How the steps ended.
enum StepsOutcome { StepsCompleted, StepsFailed, StepsCancelled };

// From the platform test to the last step: the options collected and, unless cancelled, the
// install or uninstall steps under the progress window. resultCode names the failed group.
StepsOutcome runSteps(SetupContext* context) {
    context->resultCode = ResultInitialization;
    if (!context->succeeded)
        return StepsFailed;
    context->resultCode = ResultPlatform;
    if (!checkPlatform())
        return StepsFailed;
    context->resultCode = ResultInitialization;
    if (!collectSetupOptions(&context->cancelled, &context->options, context->installedVersion,
                             context->runFlags))
        return StepsFailed;
    if (context->cancelled)
        return StepsCancelled;
    if (context->runFlags & Install)
        releaseSetupData();

    HWND progress = CreateDialogParamA(setupData.instance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                       progressDialogProc, 0);
    ShowWindow(progress, SW_SHOW);
    // There is no message loop: paint it now, or it stays blank while the run waits for a
    // running package manager.
    UpdateWindow(progress);
    context->managerRunning = isManagerRunning(context);
    bool completed = (context->runFlags & Install) ? runInstallSteps(context, progress)
                                                   : runUninstallSteps(context, progress);
    DestroyWindow(progress);
    if (!completed)
        return StepsFailed;
    context->resultCode = ResultSuccess;
    return StepsCompleted;
}

} // namespace

ResultCode runSetup(HINSTANCE instance, const char* commandLine) {
    SetupContext context;
    ZeroMemory(&context, sizeof context);
    context.runFlags = Install;
    readVersion(&context.versionInfo);
    copyText(context.downloadDir, sizeof context.downloadDir, "C:\\DRIVERS");
    context.uninstallerName = UninstallerName;
    initCommonControls();

    parseSwitches(commandLine ? commandLine : "", &context.runFlags);
    context.succeeded = loadSetupData(instance, context.runFlags);

    if (context.versionInfo.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (!isAdministrator()) {
            if (!(context.runFlags & Silent)) {
                char text[TextBufferSize];
                loadText(IDS_NEED_ADMINISTRATOR, text);
                MessageBoxA(nullptr, text, nullptr, MB_ICONERROR);
            }
            return 0;
        }
        if (!enableTakeOwnership())
            return 0;
    }

    StepsOutcome outcome = runSteps(&context);
    if (outcome == StepsCancelled)
        return 0;
    context.succeeded = outcome == StepsCompleted;
    writeResultValue(context.resultCode);
    showFinalReport(&context);
    openProduct(&context);
    return context.resultCode;
}
