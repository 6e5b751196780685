// Failing stand-ins until the setup data and install options land.
#include "setupdata/install_options.h"
#include "setupdata/setup_data_file.h"
#include "setupdata/setup_data_sources.h"

SetupDataState setupData;
bool catalogMode;
QueryEnvironment queryEnvironment;

bool loadSetupData(HINSTANCE instance, RunFlags) {
    setupData.instance = instance;
    return false;
}
unsigned hasReleaseFile(const char*) { return 0; }
unsigned readSetupString(const char*, const char*, const char*, char*, unsigned, const char*) {
    return 0;
}
unsigned readTargetDir(char*) { return 0; }
bool readMenuDir(char*) { return false; }
unsigned readDefaultSearch(char*) { return 0; }
unsigned readDownloadList(char*) { return 0; }
int readRadarKind() { return 0; }
bool readReleaseInfo(char*, char*) { return false; }
bool collectSetupOptions(BOOL*, SetupOptions*, char*, RunFlags) { return false; }
INT_PTR CALLBACK optionsDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
bool browseForFolder(char*, HWND) { return false; }
int CALLBACK browseCallback(HWND, UINT, LPARAM, LPARAM) { return 0; }
