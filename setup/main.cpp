#include <windows.h>

#include "setup/setup_run.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return (int)runSetup(instance, commandLine);
}
