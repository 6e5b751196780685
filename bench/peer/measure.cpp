// measure.exe COMMAND-LINE: runs the command line as a process, waits for it, and prints its
// exit code, the wall time from creation to exit and its peak working set. It makes a window
// of its own first: under Wine the first window of a session starts the desktop process, which
// on Windows is always there, and a program that shows a window would otherwise pay for it.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <string.h>

int main() {
    // The command line behind the launcher's own name, as given.
    const char* line = GetCommandLineA();
    bool quoted = false;
    while (*line && (quoted || (*line != ' ' && *line != '\t'))) {
        if (*line == '"')
            quoted = !quoted;
        ++line;
    }
    while (*line == ' ' || *line == '\t')
        ++line;
    char command[4096];
    if (strlen(line) >= sizeof command)
        return 2;
    strcpy(command, line);

    HWND window =
        CreateWindowExA(0, "STATIC", "measure", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 3;
    // The peak working set, sampled while the process runs (the system may forget it once
    // the process has ended).
    SIZE_T peak = 0;
    for (;;) {
        PROCESS_MEMORY_COUNTERS memory;
        ZeroMemory(&memory, sizeof memory);
        memory.cb = sizeof memory;
        if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory)) {
            if (memory.PeakWorkingSetSize > peak)
                peak = memory.PeakWorkingSetSize;
            if (memory.WorkingSetSize > peak)
                peak = memory.WorkingSetSize;
        }
        if (WaitForSingleObject(process.hProcess, 2) != WAIT_TIMEOUT)
            break;
    }
    QueryPerformanceCounter(&end);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    printf("exit=%lu ms=%.1f peak_kib=%lu\n", code,
           (double)(end.QuadPart - start.QuadPart) * 1000.0 / (double)frequency.QuadPart,
           (unsigned long)(peak / 1024));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (window)
        DestroyWindow(window);
    return 0;
}
