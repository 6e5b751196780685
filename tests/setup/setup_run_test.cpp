// The setup run over doubles of every step: codes, progress, the result value, the final
// report and the switches. Windows, the registry and the progress window are real.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/platform.h"
#include "setup/setup_run.h"
#include "setupdata/setup_data_sources.h"
#include "step_doubles.h"

namespace {

const char ResultKey[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";

HHOOK progressHook;

LRESULT CALLBACK recordProgress(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* message = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && GetDlgCtrlID(message->hwnd) == 1005) {
        char text[64] = "";
        if (message->message == PBM_SETPOS) {
            doubles.progress.push_back((unsigned)message->wParam);
            doubles.progressEvents.push_back("pos " + std::to_string(message->wParam));
            GetWindowTextA(GetParent(message->hwnd), text, sizeof text);
            doubles.progressTitle = text;
        } else if (message->message == PBM_SETRANGE) {
            snprintf(text, sizeof text, "range 0x%lX", (unsigned long)message->lParam);
            doubles.progressEvents.push_back(text);
        }
    }
    return CallNextHookEx(progressHook, code, wParam, lParam);
}

void deleteResultValue() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ResultKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Setup");
        RegCloseKey(key);
    }
}

// The "Setup" value as REG_SZ text, or "(none)".
std::string resultValue() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ResultKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "(none)";
    char data[64] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG status = RegQueryValueExA(key, "Setup", nullptr, &type, (BYTE*)data, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "(none)";
    // Whether the stored length counts the NUL cannot be seen under Wine: it reports the
    // length with a NUL either way.
    EXPECT_EQ((DWORD)REG_SZ, type);
    return data;
}

class SetupRun : public ::testing::Test {
  protected:
    void SetUp() override {
        resetDoubles();
        deleteResultValue();
        progressHook =
            SetWindowsHookExA(WH_CALLWNDPROC, recordProgress, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, progressHook);
    }
    void TearDown() override {
        UnhookWindowsHookEx(progressHook);
        deleteResultValue();
    }
    ResultCode run(const char* commandLine) {
        return runSetup(GetModuleHandleA(nullptr), commandLine);
    }
};

const std::vector<std::string> installSteps = {
    "loadSetupData",          "isAdministrator",         "enableTakeOwnership",
    "checkPlatform",          "collectSetupOptions",     "releaseSetupData",
    "checkServicePack",       "deployFileSet",           "writeDesktopShortcut",
    "writeStartMenuShortcut", "writeMenuFolderShortcut", "writeProgramFolder",
    "writeInstalledRelease",  "readDefaultSearch",       "writeMenuFolder",
    "writeDownloadSettings",  "writeBrowserButton",      "refreshPackageRecords",
    "writeUninstallEntry"};

const std::vector<std::string> uninstallSteps = {
    "loadSetupData",           "isAdministrator",       "enableTakeOwnership",
    "checkPlatform",           "collectSetupOptions",   "deployFileSet",
    "writeMenuFolderShortcut", "writeDesktopShortcut",  "writeStartMenuShortcut",
    "writeProgramFolder",      "writeInstalledRelease", "writeMenuFolder",
    "writeDownloadSettings",   "writeBrowserButton",    "writeSearchPath",
    "writeUninstallEntry"};

// The progress window's start (position 0, range 0 to 8), then each position with its pause;
// the positions in jumps come without one.
std::vector<std::string> progressEvents(unsigned first, unsigned last,
                                        std::vector<unsigned> jumps = {}) {
    std::vector<std::string> events = {"pos 0", "range 0x80000"};
    for (unsigned p = first; p <= last; ++p) {
        events.push_back("pos " + std::to_string(p));
        if (std::find(jumps.begin(), jumps.end(), p) == jumps.end())
            events.push_back("sleep 50");
    }
    return events;
}

std::vector<unsigned> positions(unsigned first, unsigned last) {
    std::vector<unsigned> result = {0}; // the dialog's own start position
    for (unsigned p = first; p <= last; ++p)
        result.push_back(p);
    return result;
}

TEST_F(SetupRun, CompleteInstallSendsOneToEightAndReportsCompleted) {
    EXPECT_EQ(0u, run(""));
    EXPECT_EQ(installSteps, callNames());
    EXPECT_EQ(progressEvents(1, 8), doubles.progressEvents);
    EXPECT_EQ("Installation Program", doubles.progressTitle);
    EXPECT_EQ("0000", resultValue());
    ASSERT_EQ(1u, doubles.boxes.size());
    EXPECT_EQ(nullptr, doubles.boxes[0].owner);
    EXPECT_EQ("Completed.", doubles.boxes[0].text);
    EXPECT_EQ("Installation Program", doubles.boxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, doubles.boxes[0].type);
    EXPECT_TRUE(doubles.rebootPrompts.empty());
    EXPECT_TRUE(doubles.shellExecutes.empty());
}

TEST_F(SetupRun, InstallPassesTheOptionsToEachStep) {
    run("/s");
    const std::vector<std::string> expected = {
        "loadSetupData(0x3)",
        "isAdministrator()",
        "enableTakeOwnership()",
        "checkPlatform()",
        "collectSetupOptions(0x3)",
        "releaseSetupData()",
        "checkServicePack()",
        "deployFileSet(null, \"C:\\Program Files\\Quolen\", 0, 0x3)",
        "writeDesktopShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", \"Quolen Test\", 0x3)",
        "writeStartMenuShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", \"Quolen Test\", "
        "0x3)",
        "writeMenuFolderShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", "
        "\"C:\\Menu\\Quolen\\Quolen Test.lnk\", \"C:\\Menu\\Quolen\", 0x3)",
        "writeProgramFolder(\"C:\\Program Files\\Quolen\", 0x3)",
        "writeInstalledRelease(\"Quolen Test\", \"1.05.0000\", 0x3)",
        "readDefaultSearch()",
        "writeMenuFolder(\"C:\\Menu\\Quolen\", 0x3)",
        "writeDownloadSettings(1, \"C:\\DRIVERS\", 0x3)",
        "writeBrowserButton(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", \"_zelu000.exe,100\", "
        "\"Software Installer\", 1)",
        "refreshPackageRecords()",
        "writeUninstallEntry(\"_zelu000.exe\", \"Quolen Test\", \"1.05.0000\", 0x3)"};
    EXPECT_EQ(expected, doubles.calls);
}

TEST_F(SetupRun, IconChoicesOffRemoveTheShortcutsAndAClearedToolbarChoiceRemovesTheButton) {
    doubles.options.desktopIcon = 0;
    doubles.options.startMenuIcon = 0;
    doubles.options.toolbarButton = 0;
    run("/S");
    EXPECT_TRUE(wasCalledWith("writeDesktopShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", "
                              "\"Quolen Test\", 0x0)"));
    EXPECT_TRUE(wasCalledWith("writeStartMenuShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", "
                              "\"Quolen Test\", 0x0)"));
    EXPECT_EQ("writeBrowserButton(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", "
              "\"_zelu000.exe,100\", \"Software Installer\", 0)",
              doubles.calls[16]);
}

TEST_F(SetupRun, CompleteUninstallSendsTwoToEightAndRemovesEverything) {
    doubles.installedVersion = "1.05.0000";
    EXPECT_EQ(0u, run("/U"));
    EXPECT_EQ(uninstallSteps, callNames());
    EXPECT_EQ(progressEvents(2, 8), doubles.progressEvents);
    EXPECT_EQ("Installation Program", doubles.progressTitle) << "also when uninstalling";
    EXPECT_EQ("0000", resultValue());
    ASSERT_EQ(1u, doubles.boxes.size());
    EXPECT_EQ("Completed.", doubles.boxes[0].text);
    EXPECT_EQ("Uninstallation Program", doubles.boxes[0].caption);
    // Uninstall works from the installed folder and passes no texts to the removers.
    EXPECT_EQ("deployFileSet(null, \"C:\\media\", 0, 0x0)", doubles.calls[5]);
    EXPECT_EQ("writeMenuFolderShortcut(null, \"C:\\Menu\\Quolen\\Quolen Test.lnk\", "
              "\"C:\\Menu\\Quolen\", 0x0)",
              doubles.calls[6]);
    EXPECT_EQ("writeDesktopShortcut(null, \"Quolen Test\", 0x0)", doubles.calls[7]);
    EXPECT_EQ("writeProgramFolder(null, 0x0)", doubles.calls[9]);
    EXPECT_EQ("writeInstalledRelease(null, null, 0x0)", doubles.calls[10]);
    EXPECT_EQ("writeDownloadSettings(0, null, 0x0)", doubles.calls[12]);
    EXPECT_EQ("writeBrowserButton(null, null, null, 0)", doubles.calls[13]);
    EXPECT_EQ("writeSearchPath(null, 0x0)", doubles.calls[14]);
    EXPECT_EQ("writeUninstallEntry(null, null, null, 0x0)", doubles.calls[15]);
    EXPECT_FALSE(wasCalled("refreshPackageRecords"));
    EXPECT_FALSE(wasCalled("checkServicePack"));
}

struct StepFailure {
    const char* commandLine;
    const char* failing;
    ResultCode code;
    unsigned lastPosition; // 0: the bar never moved
    const char* nextStep;  // the step that must not run, or null
};

void PrintTo(const StepFailure& f, std::ostream* out) {
    *out << (*f.commandLine ? f.commandLine : "install") << ", " << f.failing << " fails";
}

const char CannotStart[] = "Can not start the installation.";

// The final message of a failed run: its text and caption.
std::pair<std::string, std::string> failureMessage(ResultCode code, bool uninstall) {
    switch (code) {
    case 13:
        return {"Please install Microsoft Windows NT4.0 Service Pack 4 or later, before "
                "installing this program.",
                CannotStart};
    case 15:
        return {"This operating system is not supported.", CannotStart};
    }
    const char* step = code == 8 ? "initialization" : code <= 10 ? "files" : "registration";
    return {std::string("Failed in operation for ") + step + ".",
            uninstall ? "Uninstallation Program" : "Installation Program"};
}

class FailingStep : public SetupRun, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(FailingStep, EndsTheRunWithTheGroupsCode) {
    const StepFailure& f = GetParam();
    bool uninstall = std::string(f.commandLine).find("/U") != std::string::npos;
    doubles.failing.insert(f.failing);
    EXPECT_EQ(f.code, run(f.commandLine));
    char value[8];
    snprintf(value, sizeof value, "%04X", (unsigned)f.code);
    EXPECT_EQ(value, resultValue());
    if (!doubles.progress.empty()) {
        unsigned first = uninstall ? 2 : 1;
        EXPECT_EQ(f.lastPosition ? positions(first, f.lastPosition) : positions(1, 0),
                  doubles.progress);
    } else {
        EXPECT_EQ(0u, f.lastPosition);
    }
    ASSERT_EQ(1u, doubles.boxes.size());
    std::pair<std::string, std::string> message = failureMessage(f.code, uninstall);
    EXPECT_EQ(message.first, doubles.boxes[0].text);
    EXPECT_EQ(message.second, doubles.boxes[0].caption);
    EXPECT_EQ((UINT)MB_ICONWARNING, doubles.boxes[0].type);
    if (f.nextStep) {
        EXPECT_FALSE(wasCalled(f.nextStep)) << f.nextStep << " ran after the failure";
    }
    EXPECT_TRUE(doubles.rebootPrompts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    EachGroup, FailingStep,
    ::testing::Values(StepFailure{"", "loadSetupData", 8, 0, "checkPlatform"},
                      StepFailure{"", "checkPlatform", 15, 0, "collectSetupOptions"},
                      StepFailure{"", "collectSetupOptions", 8, 0, "deployFileSet"},
                      StepFailure{"", "checkServicePack", 13, 0, "deployFileSet"},
                      StepFailure{"", "deployFileSet", 9, 0, "writeDesktopShortcut"},
                      StepFailure{"", "writeDesktopShortcut", 11, 1, "writeStartMenuShortcut"},
                      StepFailure{"", "writeStartMenuShortcut", 11, 1, "writeMenuFolderShortcut"},
                      StepFailure{"", "writeMenuFolderShortcut", 11, 1, "writeProgramFolder"},
                      StepFailure{"", "writeProgramFolder", 12, 2, "writeInstalledRelease"},
                      StepFailure{"", "writeInstalledRelease", 12, 3, "readDefaultSearch"},
                      StepFailure{"", "writeMenuFolder", 12, 5, "writeDownloadSettings"},
                      StepFailure{"", "writeDownloadSettings", 12, 5, "writeBrowserButton"},
                      StepFailure{"", "writeBrowserButton", 12, 5, "refreshPackageRecords"},
                      StepFailure{"", "refreshPackageRecords", 12, 6, "writeUninstallEntry"},
                      StepFailure{"", "writeUninstallEntry", 12, 7, nullptr},
                      StepFailure{"/U", "loadSetupData", 8, 0, "checkPlatform"},
                      StepFailure{"/U", "checkPlatform", 15, 0, "collectSetupOptions"},
                      StepFailure{"/U", "deployFileSet", 10, 0, "writeMenuFolderShortcut"},
                      StepFailure{"/U", "writeMenuFolderShortcut", 11, 2, "writeDesktopShortcut"},
                      StepFailure{"/U", "writeDesktopShortcut", 11, 2, "writeStartMenuShortcut"},
                      StepFailure{"/U", "writeStartMenuShortcut", 11, 2, "writeProgramFolder"},
                      StepFailure{"/U", "writeProgramFolder", 12, 3, "writeInstalledRelease"},
                      StepFailure{"/U", "writeInstalledRelease", 12, 4, "writeMenuFolder"},
                      StepFailure{"/U", "writeMenuFolder", 12, 5, "writeDownloadSettings"},
                      StepFailure{"/U", "writeDownloadSettings", 12, 5, "writeBrowserButton"},
                      StepFailure{"/U", "writeBrowserButton", 12, 5, "writeSearchPath"},
                      StepFailure{"/U", "writeSearchPath", 12, 6, "writeUninstallEntry"},
                      StepFailure{"/U", "writeUninstallEntry", 12, 7, nullptr}));

TEST_F(SetupRun, FailedSetupDataStillPassesTheAdministratorTest) {
    doubles.failing.insert("loadSetupData");
    run("/S");
    EXPECT_EQ((std::vector<std::string>{"loadSetupData", "isAdministrator", "enableTakeOwnership"}),
              callNames());
    EXPECT_EQ("0008", resultValue());
}

TEST_F(SetupRun, EarlyEndsReturnZeroAndWriteNothing) {
    doubles.cancel = TRUE;
    EXPECT_EQ(0u, run(""));
    EXPECT_EQ("(none)", resultValue());
    EXPECT_TRUE(doubles.boxes.empty());
    EXPECT_TRUE(doubles.progress.empty());
    EXPECT_FALSE(wasCalled("deployFileSet"));

    resetDoubles();
    doubles.cancel = TRUE;
    EXPECT_EQ(0u, run("/U"));
    EXPECT_EQ("(none)", resultValue());
    EXPECT_FALSE(wasCalled("deployFileSet"));

    resetDoubles();
    doubles.failing.insert("isAdministrator");
    EXPECT_EQ(0u, run(""));
    EXPECT_EQ("(none)", resultValue());
    ASSERT_EQ(1u, doubles.boxes.size());
    EXPECT_EQ("You must be an administrator to run this program.", doubles.boxes[0].text);
    EXPECT_EQ("(null)", doubles.boxes[0].caption) << "the system's default caption";
    EXPECT_EQ((UINT)MB_ICONERROR, doubles.boxes[0].type);
    EXPECT_FALSE(wasCalled("enableTakeOwnership"));
    EXPECT_FALSE(wasCalled("checkPlatform"));

    resetDoubles();
    doubles.failing.insert("isAdministrator");
    EXPECT_EQ(0u, run("/S"));
    EXPECT_TRUE(doubles.boxes.empty()) << "silent: no administrator box";

    resetDoubles();
    doubles.failing.insert("enableTakeOwnership");
    EXPECT_EQ(0u, run(""));
    EXPECT_EQ("(none)", resultValue());
    EXPECT_TRUE(doubles.boxes.empty());
    EXPECT_FALSE(wasCalled("checkPlatform"));
}

std::string windowsFolder() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    return windows;
}

TEST_F(SetupRun, SearchListSplitsAtEverySemicolonButScansOnlyToTheFirstEmptyPiece) {
    std::string windows = windowsFolder(), drive = windows.substr(0, 2);
    // "a" does not exist and "b" does, but "b" lies behind the empty piece: the scan finds no
    // usable folder and a download folder is made.
    std::string a = drive + "\\zel_search_a", b = windows;
    std::string download = drive + "\\zel_dl";
    doubles.defaultSearch = a + ";;" + b + ";";
    doubles.downloadList = "\\zel_dl";
    RemoveDirectoryA(download.c_str());

    run("/S");
    std::vector<std::string> registered;
    for (const std::string& call : doubles.calls)
        if (call.rfind("writeSearchPath", 0) == 0)
            registered.push_back(call);
    EXPECT_EQ((std::vector<std::string>{"writeSearchPath(\"" + a + "\", 0x3)",
                                        "writeSearchPath(\"\", 0x3)",
                                        "writeSearchPath(\"" + b + "\", 0x3)",
                                        "writeSearchPath(\"" + download + "\", 0x3)"}),
              registered);
    EXPECT_EQ(0x10u, GetFileAttributesA(download.c_str()) & 0x10) << "created";
    EXPECT_TRUE(wasCalledWith("writeDownloadSettings(1, \"" + download + "\", 0x3)"));
    RemoveDirectoryA(download.c_str());
}

TEST_F(SetupRun, UsableSearchFolderMeansNoDownloadFolder) {
    doubles.defaultSearch = "C:\\zel_missing;" + windowsFolder();
    doubles.downloadList = "\\zel_never";
    run("/S");
    EXPECT_FALSE(wasCalled("readDownloadList"));
    EXPECT_TRUE(wasCalledWith("writeDownloadSettings(1, \"C:\\DRIVERS\", 0x3)"));
}

TEST_F(SetupRun, DownloadFolderIsTheFirstMissingPieceOrTheLastOne) {
    std::string drive = windowsFolder().substr(0, 2);
    std::string first = drive + "\\ZELDRIVERS", second = drive + "\\ZELDRIVERS2";
    CreateDirectoryA(first.c_str(), nullptr);
    RemoveDirectoryA(second.c_str());
    doubles.defaultSearch = "C:\\zel_missing";
    doubles.downloadList = "\\ZELDRIVERS;\\ZELDRIVERS2";

    run("/S");
    EXPECT_NE(GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES) << "created";
    EXPECT_TRUE(wasCalledWith("writeSearchPath(\"" + second + "\", 0x3)"));
    EXPECT_TRUE(wasCalledWith("writeDownloadSettings(1, \"" + second + "\", 0x3)"));

    // Both present: nothing is created or registered, and the last piece is the folder.
    resetDoubles();
    doubles.defaultSearch = "C:\\zel_missing";
    doubles.downloadList = "\\ZELDRIVERS;\\ZELDRIVERS2";
    run("/S");
    EXPECT_EQ(1, callCount("writeSearchPath"));
    EXPECT_TRUE(wasCalledWith("writeDownloadSettings(1, \"" + second + "\", 0x3)"));
    RemoveDirectoryA(first.c_str());
    RemoveDirectoryA(second.c_str());
}

TEST_F(SetupRun, DownloadPieceTooLongForTheBufferIsNotChosen) {
    // The longest list the setup data holds (259 characters) as one piece: with the drive it
    // needs 261 bytes. Nothing is created, and the folder stays C:\DRIVERS, never the Windows
    // folder whose path the pieces are put into.
    doubles.defaultSearch = "C:\\zel_missing";
    doubles.downloadList = "\\" + std::string(258, 'd');
    run("/S");
    EXPECT_TRUE(wasCalledWith("writeDownloadSettings(1, \"C:\\DRIVERS\", 0x3)"));
    EXPECT_EQ(1, callCount("writeSearchPath")) << "only the search list's own piece";
}

TEST_F(SetupRun, FailedSearchPathRegistersAllThenEndsBeforeTheMenuFolder) {
    doubles.defaultSearch = "C:\\one;C:\\two;C:\\three";
    doubles.failingSearchPaths.insert("C:\\one");
    EXPECT_EQ(12u, run(""));
    EXPECT_EQ(3, callCount("writeSearchPath"));
    EXPECT_FALSE(wasCalled("writeMenuFolder"));
    EXPECT_EQ(positions(1, 4), doubles.progress);
    EXPECT_EQ("000C", resultValue());
}

TEST_F(SetupRun, SilentAndNoFinalMessageShowNoReport) {
    EXPECT_EQ(0u, run("/S"));
    EXPECT_TRUE(doubles.boxes.empty());
    EXPECT_EQ("0000", resultValue());

    resetDoubles();
    doubles.failing.insert("deployFileSet");
    EXPECT_EQ(9u, run("/F"));
    EXPECT_TRUE(doubles.boxes.empty());
    EXPECT_EQ("0009", resultValue());
}

TEST_F(SetupRun, NoShellItemsSkipsTheShortcutsAndJumpsToTwo) {
    run("/W");
    EXPECT_FALSE(wasCalled("writeDesktopShortcut"));
    EXPECT_FALSE(wasCalled("writeStartMenuShortcut"));
    EXPECT_FALSE(wasCalled("writeMenuFolderShortcut"));
    EXPECT_EQ(progressEvents(1, 8, {2}), doubles.progressEvents);
    EXPECT_EQ("writeUninstallEntry(\"_zelu000.exe\", \"Quolen Test\", \"1.05.0000\", 0x101)",
              doubles.calls.back());
}

TEST_F(SetupRun, RenamedProductRemovesTheOldShortcutsFirst) {
    strcpy(doubles.options.oldProductName, "Old Name");
    strcpy(doubles.options.oldMenuShortcut, "C:\\Menu\\Quolen\\Old Name.lnk");
    run("/S");
    std::vector<std::string> expected = {
        "writeDesktopShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", \"Old Name\", 0x0)",
        "writeStartMenuShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", \"Old Name\", 0x0)",
        "writeMenuFolderShortcut(null, \"C:\\Menu\\Quolen\\Old Name.lnk\", \"C:\\Menu\\Quolen\", "
        "0x0)"};
    EXPECT_EQ(expected,
              std::vector<std::string>(doubles.calls.begin() + 8, doubles.calls.begin() + 11));

    // The same name (case-sensitive comparison) removes nothing.
    resetDoubles();
    strcpy(doubles.options.oldProductName, "Quolen Test");
    run("/S");
    EXPECT_EQ(installSteps, callNames());

    // Failed removals are ignored.
    resetDoubles();
    strcpy(doubles.options.oldProductName, "quolen test");
    doubles.options.oldMenuShortcut[0] = '\0';
    run("/S");
    EXPECT_EQ("writeDesktopShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", "
              "\"quolen test\", 0x0)",
              doubles.calls[8]);
    EXPECT_EQ("writeDesktopShortcut(\"C:\\Program Files\\Quolen\\\\Quolen.exe\", "
              "\"Quolen Test\", 0x3)",
              doubles.calls[10]);
}

TEST_F(SetupRun, RelaunchOpensTheMenuShortcutAfterASuccessfulInstall) {
    run("/O /S");
    ASSERT_EQ(1u, doubles.shellExecutes.size());
    EXPECT_EQ("size=" + std::to_string(sizeof(SHELLEXECUTEINFOA)) +
                  " mask=0x0 owner=null verb=null file=\"C:\\Menu\\Quolen\\Quolen Test.lnk\" "
                  "parameters=null directory=\"C:\\Menu\\Quolen\" show=1",
              doubles.shellExecutes[0]);

    resetDoubles();
    doubles.failing.insert("writeUninstallEntry");
    run("/O /S");
    EXPECT_TRUE(doubles.shellExecutes.empty()) << "not after a failure";

    resetDoubles();
    run("/O /S /U");
    EXPECT_TRUE(doubles.shellExecutes.empty()) << "not after an uninstall";
}

// A window titled with the product name, as releases before 1.03.0000 show.
struct ManagerWindow {
    HWND window;
    explicit ManagerWindow(const char* title) {
        window = CreateWindowExA(0, "STATIC", title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    ~ManagerWindow() { DestroyWindow(window); }
};

TEST_F(SetupRun, OlderReleasesAreFoundByWindowTitleNewerOnesByMutex) {
    struct Case {
        const char* installedVersion;
        bool window;
        bool mutex;
        BOOL running;
    } cases[] = {
        {"1.02.9999", true, false, TRUE},  {"1.02.9999", false, true, FALSE},
        {"", true, false, TRUE},           {"", false, true, FALSE},
        {"1.03.0000", true, false, FALSE}, {"1.03.0000", false, true, TRUE},
        {"2.00.0000", false, true, TRUE},  {"2.00.0000", false, false, FALSE},
    };
    for (const Case& c : cases) {
        // The uninstall decides the same way, from the installed version.
        for (bool uninstall : {false, true}) {
            resetDoubles();
            doubles.installedVersion = c.installedVersion;
            ManagerWindow window(c.window ? "Quolen Test" : "Something Else");
            HANDLE mutex = c.mutex ? CreateMutexA(nullptr, FALSE, "Quolen Test") : nullptr;
            run(uninstall ? "/S /U" : "/S");
            EXPECT_TRUE(wasCalledWith(uninstall
                                          ? "deployFileSet(null, \"C:\\media\", " +
                                                std::to_string(c.running) + ", 0x2)"
                                          : "deployFileSet(null, \"C:\\Program Files\\Quolen\", " +
                                                std::to_string(c.running) + ", 0x3)"))
                << "installed " << c.installedVersion << " window " << c.window << " mutex "
                << c.mutex << " uninstall " << uninstall;
            if (mutex)
                CloseHandle(mutex);
        }
    }
}

// A manager that ends without releasing its mutex: its thread owns the mutex and exits.
DWORD WINAPI abandonMutex(LPVOID mutex) {
    *(HANDLE*)mutex = CreateMutexA(nullptr, TRUE, "Quolen Test");
    return 0;
}

TEST_F(SetupRun, AbandonedMutexUnderRelaunchCountsAsRunning) {
    HANDLE mutex = nullptr;
    HANDLE owner = CreateThread(nullptr, 0, abandonMutex, &mutex, 0, nullptr);
    WaitForSingleObject(owner, INFINITE);
    CloseHandle(owner);
    doubles.installedVersion = "2.00.0000";
    run("/O /S");
    EXPECT_TRUE(wasCalledWith("deployFileSet(null, \"C:\\Program Files\\Quolen\", 1, 0x7)"));
    CloseHandle(mutex);
}

TEST_F(SetupRun, AdministratorTestAndPrivilegeOnlyOnTheNtFamily) {
    bool nt = isNtFamily();
    // The run of this test as Windows 98 (ZEL_EXPECT_9X) must see the 9x family.
    EXPECT_EQ(getenv("ZEL_EXPECT_9X") == nullptr, nt);
    for (const char* line : {"/S", "/S /U"}) {
        resetDoubles();
        doubles.failing = {"isAdministrator", "enableTakeOwnership"};
        EXPECT_EQ(0u, run(line)) << line;
        EXPECT_EQ(nt ? 1 : 0, callCount("isAdministrator")) << line;
        EXPECT_FALSE(wasCalled("enableTakeOwnership")) << line;
        // On NT the failed test ends the run; the 9x family never asks and runs to the end.
        EXPECT_EQ(nt ? "(none)" : "0000", resultValue()) << line;
        EXPECT_EQ(!nt, wasCalled("writeUninstallEntry")) << line;
    }
}

TEST_F(SetupRun, RunningManagerGetsTheRestartPromptInsteadOfTheBox) {
    doubles.installedVersion = "1.04.0000";
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "Quolen Test");
    EXPECT_EQ(0u, run(""));
    EXPECT_TRUE(doubles.boxes.empty());
    EXPECT_EQ((std::vector<std::string>{"null, null, 0"}), doubles.rebootPrompts);

    // /F: neither the prompt nor a box.
    resetDoubles();
    doubles.installedVersion = "1.04.0000";
    run("/F");
    EXPECT_TRUE(doubles.rebootPrompts.empty());
    EXPECT_TRUE(doubles.boxes.empty());

    // A failed run reports the failure even when the manager runs.
    resetDoubles();
    doubles.installedVersion = "1.04.0000";
    doubles.failing.insert("writeUninstallEntry");
    run("");
    EXPECT_TRUE(doubles.rebootPrompts.empty());
    ASSERT_EQ(1u, doubles.boxes.size());
    CloseHandle(mutex);
}

TEST_F(SetupRun, InstallReleasesTheSetupDataBeforeTheSteps) {
    run("/S");
    EXPECT_EQ("releaseSetupData", callNames()[5]) << "after the options, before the first step";
    resetDoubles();
    run("/S /U");
    EXPECT_FALSE(wasCalled("releaseSetupData")) << "uninstall keeps what it loaded";
}

// The stand-in package manager, started as a separate process beside the test.
struct StandIn {
    PROCESS_INFORMATION process = {};
    explicit StandIn(const std::string& arguments) {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        strcpy(strrchr(path, '\\') + 1, "quolen_standin.exe");
        std::string line = std::string("\"") + path + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        EXPECT_TRUE(CreateProcessA(path, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
    }
    ~StandIn() {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    bool exited() const { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }
};

template <typename Ready> bool waitFor(Ready ready) {
    for (int i = 0; i < 200; ++i) {
        if (ready())
            return true;
        Sleep(50);
    }
    return false;
}

bool mutexExists(const char* name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (mutex)
        CloseHandle(mutex);
    return mutex != nullptr;
}

TEST_F(SetupRun, RealStandInManagerIsFoundByWindowAndByMutex) {
    {
        StandIn manager("\"Quolen Test\" --no-mutex");
        ASSERT_TRUE(waitFor([] { return FindWindowA(nullptr, "Quolen Test") != nullptr; }));
        doubles.installedVersion = "1.02.9999";
        run("/S");
        EXPECT_EQ("deployFileSet(null, \"C:\\Program Files\\Quolen\", 1, 0x3)", doubles.calls[7]);
    }
    resetDoubles();
    {
        StandIn manager("\"Quolen Test\" --no-window");
        ASSERT_TRUE(waitFor([] { return mutexExists("Quolen Test"); }));
        doubles.installedVersion = "1.03.0000";
        run("/S");
        EXPECT_EQ("deployFileSet(null, \"C:\\Program Files\\Quolen\", 1, 0x3)", doubles.calls[7]);
        EXPECT_FALSE(manager.exited());
    }
}

TEST_F(SetupRun, RelaunchWaitsUntilTheStandInReleasesItsMutex) {
    StandIn manager("\"Quolen Test\" --no-window --exit-after 1500");
    ASSERT_TRUE(waitFor([] { return mutexExists("Quolen Test"); }));
    doubles.installedVersion = "2.00.0000";
    run("/O /S");
    EXPECT_TRUE(manager.exited()) << "the run went on before the manager ended";
    // Released on exit: the wait succeeds and the files are replaced at once.
    EXPECT_EQ("deployFileSet(null, \"C:\\Program Files\\Quolen\", 0, 0x7)", doubles.calls[7]);
    EXPECT_EQ(1u, doubles.shellExecutes.size());
}

} // namespace
