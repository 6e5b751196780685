// A test stand-in for the Microsoft Layer for Unicode: it forwards the two conversion
// functions to kernel32, so that the 9x family's code path runs under Wine's win98 mode
// (with WINEDLLOVERRIDES=unicows=n, or Wine takes its builtin copy). Never shipped.
#include <windows.h>

extern "C" __declspec(dllexport) int KestraneStandInLayer() {
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
