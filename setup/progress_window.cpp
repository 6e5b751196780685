#include "setup/progress_window.h"

#include <commctrl.h>

#include "base/run_state.h"
#include "resources/resource_ids.h"

INT_PTR CALLBACK progressDialogProc(HWND window, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG)
        return FALSE;
    // The window has no caption bar; its text still names the program for the task list.
    char caption[TextBufferSize];
    loadText(IDS_INSTALL_CAPTION, caption);
    if (caption[0])
        SetWindowTextA(window, caption);
    SendDlgItemMessageA(window, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    SendDlgItemMessageA(window, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 8));
    return TRUE;
}

void moveProgress(HWND window, unsigned position) {
    SendDlgItemMessageA(window, IDC_PROGRESS, PBM_SETPOS, position, 0);
}

void setProgress(HWND window, unsigned position) {
    moveProgress(window, position);
    Sleep(50);
}
