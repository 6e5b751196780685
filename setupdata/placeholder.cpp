// Failing stand-ins until the install options land.
#include "setupdata/install_options.h"

bool collectSetupOptions(BOOL*, SetupOptions*, char*, RunFlags) {
    return false;
}
INT_PTR CALLBACK optionsDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}
bool browseForFolder(char*, HWND) {
    return false;
}
int CALLBACK browseCallback(HWND, UINT, LPARAM, LPARAM) {
    return 0;
}
