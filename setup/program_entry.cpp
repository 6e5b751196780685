// Where the program starts. setup.exe links no C runtime library: it needs no heap of the
// runtime, no standard I/O and no constructors, and a C runtime DLL is not one the system
// always takes from its own folder. This entry hands WinMain what the usual startup would.
#include <windows.h>

#include "setup/switches.h"

extern "C" __attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    int code = WinMain(GetModuleHandleA(nullptr), nullptr,
                       (LPSTR)skipProgramName(GetCommandLineA()), show);
    ExitProcess((UINT)code);
}
