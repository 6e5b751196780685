// A stand-in for the package manager, for tests and the demo. While it runs it holds a named
// mutex and shows a top-level window, both named after the product, as a real release does.
//
//   Quolen.exe [NAME] [--no-window] [--no-mutex] [--exit-after MS]
//
// NAME defaults to the installed product's Name value. Each start is logged to standin.log
// beside the program, so that tests can see it was opened.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char ProductKey[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";
const UINT_PTR ExitTimer = 1;

void installedName(char* name, DWORD size) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    if (RegQueryValueExA(key, "Name", nullptr, &type, (BYTE*)name, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        name[0] = '\0';
    RegCloseKey(key);
}

void logStart(const char* commandLine) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* slash = strrchr(path, '\\');
    if (!slash || (size_t)(slash - path) + sizeof "\\standin.log" > MAX_PATH)
        return;
    strcpy(slash, "\\standin.log");
    FILE* log = fopen(path, "a");
    if (!log)
        return;
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    fprintf(log, "started [%s] in [%s]\n", commandLine, folder);
    fclose(log);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    logStart(commandLine);
    char name[MAX_PATH] = "";
    bool window = true, mutex = true;
    unsigned exitAfter = 0;
    for (int i = 1; i < __argc; ++i) {
        if (strcmp(__argv[i], "--no-window") == 0)
            window = false;
        else if (strcmp(__argv[i], "--no-mutex") == 0)
            mutex = false;
        else if (strcmp(__argv[i], "--exit-after") == 0 && i + 1 < __argc)
            exitAfter = (unsigned)atoi(__argv[++i]);
        else
            lstrcpynA(name, __argv[i], MAX_PATH);
    }
    if (!name[0])
        installedName(name, MAX_PATH);
    if (!name[0])
        lstrcpynA(name, "Kestrane Software Installer", MAX_PATH);

    HANDLE held = mutex ? CreateMutexA(nullptr, TRUE, name) : nullptr;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "KestraneStandIn";
    RegisterClassA(&windowClass);
    // A message-only window would not be found by title; this one is top-level but hidden
    // unless asked for.
    HWND main = CreateWindowExA(0, windowClass.lpszClassName, window ? name : "", WS_OVERLAPPED, 0,
                                0, 200, 100, nullptr, nullptr, instance, nullptr);
    if (exitAfter)
        SetTimer(main, ExitTimer, exitAfter, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (held) {
        ReleaseMutex(held);
        CloseHandle(held);
    }
    return 0;
}
