#include "setupdata/install_options.h"

#include <shlobj.h>
#include <string.h>

#include "base/bounded_text.h"
#include "base/platform.h"
#include "base/run_state.h"
#include "files/shortcuts.h"
#include "registry/browser_button.h"
#include "registry/product_key.h"
#include "resources/resource_ids.h"
#include "setupdata/setup_data_file.h"
#include "setupdata/status_path.h"

namespace {

// Releases after this one may have switched the internet function off for good.
const char LastReleaseWithoutSwitch[] = "3.00.0000";

// An earlier choice to keep the internet function off wins over the setup data.
void applyStoredInternetFunction(SetupOptions* options) {
    DWORD stored;
    if (readInternetFunction(&stored) && stored == 0) {
        options->internetFunction = 0;
        options->toolbarButton = 0;
    }
}

// The paths derived from the choices; a path that would not fit fails the collection. The
// manager's path has a doubled backslash before "Quolen.exe" on purpose: the shortcuts keep it
// as their icon location and the toolbar button as its program, and the sweep of older
// shortcuts compares icon locations with this very text, so it must not be normalised.
bool buildInstallPaths(SetupOptions* options) {
    return formatText(options->menuShortcut, TextBufferSize, "%s\\%s.lnk", options->menuDir,
                      options->productName) &&
           formatText(options->programExe, TextBufferSize, "%s\\%s", options->programDir,
                      "\\Quolen.exe") &&
           (options->oldProductName[0] == '\0' ||
            formatText(options->oldMenuShortcut, TextBufferSize, "%s\\%s.lnk", options->menuDir,
                       options->oldProductName));
}

bool collectInstallOptions(BOOL* cancelled, SetupOptions* options, char* installedVersion) {
    if (!readReleaseInfo(options->productName, options->productVersion) ||
        !getSourceFolder(options->sourceDir))
        return false;
    options->internetFunction = readRadarKind();
    options->desktopIcon = hasDesktopShortcut(options->productName);
    options->startMenuIcon = hasStartMenuShortcut(options->productName);
    options->toolbarButton =
        (options->flags & NoShellItems) ? hasBrowserButton() : options->internetFunction != 0;

    bool folderSettled = true;
    if (readProgramFolder(options->programDir) &&
        readInstalledRelease(options->oldProductName, installedVersion)) {
        if (compareVersionText(installedVersion, LastReleaseWithoutSwitch) > 0)
            applyStoredInternetFunction(options);
        if (hasDesktopShortcut(options->oldProductName))
            options->desktopIcon = TRUE;
        if (hasStartMenuShortcut(options->oldProductName))
            options->startMenuIcon = TRUE;
    } else {
        // A half-read record (Name without Version) is no earlier installation: nothing of it
        // may name old shortcuts to remove or a release to compare with.
        options->oldProductName[0] = '\0';
        installedVersion[0] = '\0';
        options->flags |= FreshInstall;
        applyStoredInternetFunction(options);
        folderSettled = readTargetDir(options->programDir) != 0;
    }

    if (!(options->flags & Silent)) {
        INT_PTR answer = DialogBoxParamA(setupData.instance, MAKEINTRESOURCEA(IDD_OPTIONS), nullptr,
                                         optionsDialogProc, (LPARAM)options);
        // A dialog that could not be shown is a failure, not the user's cancel.
        if (answer == -1)
            return false;
        *cancelled = answer != IDOK;
    }
    // An empty folder (cleared by the user, or too long for its buffer) is no place to install.
    if (!folderSettled || options->programDir[0] == '\0')
        return false;
    bool menuFound = readMenuDir(options->menuDir);
    return buildInstallPaths(options) && menuFound;
}

bool collectUninstallOptions(BOOL* cancelled, SetupOptions* options, char* installedVersion) {
    if (!readProgramFolder(options->sourceDir) ||
        !readInstalledRelease(options->productName, options->productVersion))
        return false;
    char found[TextBufferSize];
    catalogMode = findFileIn(options->sourceDir, "ZelSetup.xml", found);
    copyText(installedVersion, TextBufferSize, options->productVersion);

    if (!(options->flags & Silent)) {
        char text[TextBufferSize], caption[TextBufferSize];
        loadText(IDS_CONFIRM_UNINSTALL, text);
        loadText(IDS_UNINSTALL_CAPTION, caption);
        *cancelled = MessageBoxA(nullptr, text, caption, MB_ICONQUESTION | MB_YESNO) != IDYES;
    }
    bool menuFound = readMenuFolder(options->menuDir);
    return formatText(options->menuShortcut, TextBufferSize, "%s\\%s.lnk", options->menuDir,
                      options->productName) &&
           menuFound;
}

void initOptionsDialog(HWND dialog, SetupOptions* options) {
    char text[TextBufferSize];
    loadText(IDS_INSTALL_CAPTION, text);
    SetWindowTextA(dialog, text);
    SetClassLongPtrA(dialog, GCLP_HICON,
                     (LONG_PTR)LoadIconA(setupData.instance, MAKEINTRESOURCEA(IDI_SETUP)));
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)options);
    SetDlgItemTextA(dialog, IDC_FOLDER, options->programDir);
    SendDlgItemMessageA(dialog, IDC_FOLDER, EM_LIMITTEXT, TextBufferSize - 1, 0);
    if (options->flags & FreshInstall) {
        loadText(IDS_FRESH_FOLDER_PROMPT, text);
    } else {
        // A reinstall keeps the folder of the earlier installation.
        loadText(IDS_FOLDER_PROMPT, text);
        EnableWindow(GetDlgItem(dialog, IDC_BROWSE), FALSE);
        SendDlgItemMessageA(dialog, IDC_FOLDER, EM_SETREADONLY, TRUE, 0);
    }
    SetDlgItemTextA(dialog, IDC_FOLDER_PROMPT, text);
    EnableWindow(GetDlgItem(dialog, IDCANCEL), !(options->flags & Relaunch));
    // An icon that exists already is shown indeterminate: kept unless the user clears it.
    CheckDlgButton(dialog, IDC_DESKTOP_ICON, options->desktopIcon ? BST_INDETERMINATE : 0);
    CheckDlgButton(dialog, IDC_START_MENU_ICON, options->startMenuIcon ? BST_INDETERMINATE : 0);
    if (options->internetFunction == 0 || (options->flags & NoShellItems)) {
        ShowWindow(GetDlgItem(dialog, IDC_DESKTOP_ICON), SW_HIDE);
        ShowWindow(GetDlgItem(dialog, IDC_START_MENU_ICON), SW_HIDE);
    }
}

void acceptOptionsDialog(HWND dialog, SetupOptions* options) {
    options->desktopIcon = IsDlgButtonChecked(dialog, IDC_DESKTOP_ICON) != BST_UNCHECKED;
    options->startMenuIcon = IsDlgButtonChecked(dialog, IDC_START_MENU_ICON) != BST_UNCHECKED;
    options->toolbarButton = options->internetFunction != 0;
    // A folder that does not fit is not cut short: it is left empty, which fails the collection.
    options->programDir[0] = '\0';
    if (GetWindowTextLengthA(GetDlgItem(dialog, IDC_FOLDER)) < TextBufferSize)
        GetDlgItemTextA(dialog, IDC_FOLDER, options->programDir, TextBufferSize);
    EndDialog(dialog, IDOK);
}

// The width of text in the device context passed as context.
int measureInContext(const char* text, void* context) {
    SIZE extent = {0, 0};
    GetTextExtentPoint32A((HDC)context, text, (int)strlen(text), &extent);
    return extent.cx;
}

} // namespace

bool collectSetupOptions(BOOL* cancelled, SetupOptions* options, char* installedVersion,
                         RunFlags runFlags) {
    *cancelled = FALSE;
    options->flags = runFlags;
    return (runFlags & Install) ? collectInstallOptions(cancelled, options, installedVersion)
                                : collectUninstallOptions(cancelled, options, installedVersion);
}

INT_PTR CALLBACK optionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    SetupOptions* options = (SetupOptions*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        initOptionsDialog(dialog, (SetupOptions*)lParam);
        return FALSE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_DESKTOP_ICON:
        case IDC_START_MENU_ICON: {
            int id = LOWORD(wParam);
            bool unchecked = IsDlgButtonChecked(dialog, id) == BST_UNCHECKED;
            CheckDlgButton(dialog, id, unchecked ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        }
        case IDC_BROWSE:
            if (browseForFolder(options->programDir, dialog))
                SetDlgItemTextA(dialog, IDC_FOLDER, options->programDir);
            return TRUE;
        case IDOK:
            acceptOptionsDialog(dialog, options);
            return TRUE;
        case IDCANCEL:
        case IDCLOSE:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
        }
    case WM_SYSCOMMAND:
        // Closing from the system menu cancels even when the Cancel button is disabled.
        if (wParam == SC_CLOSE) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

bool browseForFolder(char* programDir, HWND owner) {
    bool initialized = SUCCEEDED(CoInitialize(nullptr));
    bool chosen = false;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator))) {
        LPITEMIDLIST drives = nullptr;
        SHGetSpecialFolderLocation(owner, CSIDL_DRIVES, &drives);
        char displayName[TextBufferSize] = "";
        char title[TextBufferSize];
        loadText(IDS_FRESH_FOLDER_PROMPT, title);
        BROWSEINFOA browse;
        ZeroMemory(&browse, sizeof browse);
        browse.hwndOwner = owner;
        browse.pidlRoot = drives;
        browse.pszDisplayName = displayName;
        browse.lpszTitle = title;
        browse.ulFlags =
            BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_RETURNFSANCESTORS | BIF_BROWSEFORCOMPUTER;
        browse.lpfn = browseCallback;
        browse.lParam = (LPARAM)programDir;
        LPITEMIDLIST item = SHBrowseForFolderA(&browse);
        // The chosen path itself is what the callback stored last.
        chosen = item != nullptr;
        if (item)
            allocator->Free(item);
        if (drives)
            allocator->Free(drives);
        allocator->Release();
    }
    if (initialized)
        CoUninitialize();
    return chosen;
}

int CALLBACK browseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
    char* programDir = (char*)data;
    if (message == BFFM_INITIALIZED) {
        DWORD attributes = GetFileAttributesA(programDir);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            char folder[TextBufferSize] = "";
            if (readCurrentVersionValue("ProgramFilesDir", folder, sizeof folder))
                copyText(programDir, TextBufferSize, folder);
        }
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, (LPARAM)programDir);
    } else if (message == BFFM_SELCHANGED) {
        char path[TextBufferSize] = "";
        DWORD attributes = SHGetPathFromIDListA((LPITEMIDLIST)lParam, path)
                               ? GetFileAttributesA(path)
                               : INVALID_FILE_ATTRIBUTES;
        bool acceptable = attributes != INVALID_FILE_ATTRIBUTES &&
                          (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                          !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_OFFLINE));
        SendMessageA(browser, BFFM_ENABLEOK, 0, acceptable);
        if (acceptable) {
            copyText(programDir, TextBufferSize, path);
            char shown[TextBufferSize];
            RECT frame;
            GetWindowRect(browser, &frame);
            HDC device = GetDC(browser);
            shortenStatusPath(path, shown, sizeof shown, frame.right - frame.left, measureInContext,
                              device);
            ReleaseDC(browser, device);
            SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, (LPARAM)shown);
        }
    }
    return 0;
}
