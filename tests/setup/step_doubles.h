// Test doubles for the operations the setup run calls, substituted at link time. Each
// records its call with its arguments and fails on demand.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "setupdata/install_options.h"

struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption; // "(null)" when no caption was given
    UINT type;
};

struct StepDoubles {
    std::vector<std::string> calls; // one line per call: name(arguments)
    std::set<std::string> failing;  // operations that return failure
    std::set<std::string> failingSearchPaths;
    BOOL cancel = FALSE;       // the answer collectSetupOptions gives
    SetupOptions options = {}; // what collectSetupOptions fills in
    std::string installedVersion;
    std::string defaultSearch;      // [INIT] DEFAULTSEARCH, empty when missing
    std::string downloadList;       // [INIT] DOWNLOAD
    std::vector<unsigned> progress; // PBM_SETPOS positions sent to the progress bar
    // What the progress window went through, in order: "pos N", "range 0xR" (PBM_SETRANGE's
    // value) and "sleep MS" (each pause of the run), and the window's text.
    std::vector<std::string> progressEvents;
    std::string progressTitle;
    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> rebootPrompts;
    std::vector<std::string> shellExecutes;
};

extern StepDoubles doubles;

// Fresh doubles with a complete set of options for product "Quolen Test".
void resetDoubles();
// The names of the recorded calls, without arguments.
std::vector<std::string> callNames();
bool wasCalled(const std::string& name);
// How often the operation of that name was called.
int callCount(const std::string& name);
// Whether a call was recorded exactly as given: name(arguments).
bool wasCalledWith(const std::string& call);
