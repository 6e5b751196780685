// The install options: release and setup data, traces of an earlier installation, and the
// options dialog or the uninstall confirmation.
#pragma once

#include <windows.h>

#include "base/run_types.h"

// SetupOptions.flags: no earlier installation was found (beside the run's own flags).
const RunFlags FreshInstall = 0x10000;

struct SetupOptions {
    RunFlags flags; // the run's flags, plus FreshInstall
    int internetFunction;
    unsigned desktopIcon;
    unsigned startMenuIcon;
    int toolbarButton;
    char productName[260];
    char productVersion[260];
    char sourceDir[260];
    char menuShortcut[260];
    char menuDir[260];
    char programDir[260];
    char programExe[260];
    char oldProductName[260];
    char oldMenuShortcut[260];
};

bool collectSetupOptions(BOOL* cancelled, SetupOptions* options, char* installedVersion,
                         RunFlags runFlags);
INT_PTR CALLBACK optionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
bool browseForFolder(char* programDir, HWND owner);
int CALLBACK browseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);
