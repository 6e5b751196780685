// The run from start to end: switches, the step sequence, the final report.
#pragma once

#include <windows.h>

#include "setup/run_types.h"
#include "setup/switches.h"
#include "setupdata/install_options.h"

struct SetupContext {
    RunFlags runFlags;
    BOOL succeeded;
    ResultCode resultCode;
    BOOL managerRunning;
    BOOL cancelled;
    OSVERSIONINFOA versionInfo;
    SetupOptions options;
    char installedVersion[260];
    char downloadDir[260];
    char buttonText[260];
    char searchList[260];
    char downloadList[260];
    const char* uninstallerName;
};

// The program's entry procedure; returns the process exit code.
ResultCode runSetup(HINSTANCE instance, const char* commandLine);
