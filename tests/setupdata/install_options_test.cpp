// The install options under Wine. A second thread finds the real dialog 101, the folder
// browser or the confirmation box by its caption and works it as a user would, while this
// thread waits in collectSetupOptions or browseForFolder.
#include <gtest/gtest.h>

// The tests may use later APIs than the program.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#undef _WIN32_IE
#define _WIN32_IE 0x0800
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "base/bounded_text.h"
#include "files/shortcuts.h"
#include "registry/browser_button.h"
#include "resources/resource_ids.h"
#include "setupdata/install_options.h"
#include "setupdata/setup_data_sources.h"

namespace {

const char ProductKey[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";
const char Extensions[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
const char Product[] = "Options Test Product";
const char OldProduct[] = "Options Old Product";

std::string resourceText(UINT id) {
    char text[260] = "";
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return text;
}
std::string windowText(HWND window) {
    char text[600] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}
std::string programFiles() {
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                 "ProgramFilesDir", RRF_RT_REG_SZ, nullptr, path, &size);
    return path;
}
std::string commonPrograms() {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, path);
    return path;
}
void writeText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
}
void removeFolder(const std::string& path) {
    SHFILEOPSTRUCTA remove = {};
    std::string from = path + '\0';
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NO_UI;
    SHFileOperationA(&remove);
}
bool keyExists(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
void setValue(const char* name, const std::string& text) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, ProductKey, name, REG_SZ, text.c_str(),
                    (DWORD)text.size() + 1);
}
void setInternetFunction(DWORD value) {
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, ProductKey, "InternetFunction", REG_DWORD, &value, 4);
}
void earlierInstallation(const std::string& folder, const std::string& name,
                         const std::string& version) {
    setValue("ProgDir", folder);
    setValue("Name", name);
    setValue("Version", version);
    setValue("MenuDir", commonPrograms() + "\\Old Group");
}

// A dialog of the given caption once it is shown (its initialisation done), waited for up to
// 10 seconds or until stop is set.
HWND waitForWindow(const std::string& caption, const std::atomic<bool>* stop = nullptr) {
    for (int i = 0; i < 500 && !(stop && *stop); ++i, Sleep(20)) {
        HWND window = FindWindowA("#32770", caption.c_str());
        if (window && IsWindowVisible(window))
            return window;
    }
    return nullptr;
}
int boxState(HWND dialog, int id) {
    return (int)SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0);
}
void click(HWND dialog, int id) {
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

class InstallOptions : public ::testing::Test {
  protected:
    std::string folder;
    SetupOptions options = {};
    char installedVersion[260] = "";
    BOOL cancelled = TRUE;
    bool shown = false;
    bool extensionsExisted = keyExists(Extensions);

    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "zel options";
        CreateDirectoryA(folder.c_str(), nullptr);
        setupData.instance = GetModuleHandleA(nullptr);
        copyText(setupData.setupDataPath, 260, (folder + "\\ZelSetup.dat").c_str());
        copyText(setupData.releaseSourcePath, 260, (folder + "\\Quolen.zel").c_str());
        catalogMode = false;
        setupFile("TARGET=Kestrane\\Options Test\r\nGROUP=Options Group\r\n", "FILE=radar.exe");
        releaseFile(Product);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ProductKey);
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ProductKey);
        writeBrowserButton(nullptr, nullptr, nullptr, 0);
        if (!extensionsExisted)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, Extensions);
        for (const char* name : {Product, OldProduct}) {
            writeDesktopShortcut(nullptr, name, 0);
            writeStartMenuShortcut(nullptr, name, 0);
        }
        removeFolder(folder);
    }
    void setupFile(const std::string& init, const std::string& radar) {
        writeText(folder + "\\ZelSetup.dat", "[INIT]\r\n" + init + "[RADAR]\r\n" + radar + "\r\n");
    }
    void releaseFile(const std::string& name) {
        writeText(folder + "\\Quolen.zel",
                  "[ZEL]\r\nXRELEASE=1\r\n[RELEASE]\r\nNAME=" + name + "\r\nVERSION=1.05.0000\r\n");
    }
    // Collects the options while drive works the window of that caption (no driver: silent).
    bool collect(RunFlags flags, std::function<void(HWND)> drive = nullptr,
                 UINT caption = IDS_INSTALL_CAPTION) {
        options = {};
        std::atomic<bool> done{false};
        std::thread driver([&] {
            HWND window = drive ? waitForWindow(resourceText(caption), &done) : nullptr;
            if ((shown = window != nullptr))
                drive(window);
            for (int i = 0; i < 250 && IsWindow(window); ++i)
                Sleep(20);
            if (IsWindow(window)) {
                ADD_FAILURE() << "the driver left the window open";
                SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
        });
        bool collected = collectSetupOptions(&cancelled, &options, installedVersion, flags);
        done = true;
        driver.join();
        return collected;
    }
};

TEST_F(InstallOptions, FreshInstallDialogTheClickRuleAndTheEditedFolder) {
    writeDesktopShortcut("C:\\Q\\Quolen.exe", Product, Install);
    ASSERT_TRUE(collect(Install, [](HWND dialog) {
        EXPECT_EQ(resourceText(IDS_FRESH_FOLDER_PROMPT), windowText(GetDlgItem(dialog, 1004)));
        EXPECT_EQ(programFiles() + "\\Kestrane\\Options Test",
                  windowText(GetDlgItem(dialog, 1000)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_BROWSE)));
        EXPECT_FALSE(GetWindowLongA(GetDlgItem(dialog, 1000), GWL_STYLE) & ES_READONLY);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
        EXPECT_EQ(BST_INDETERMINATE, boxState(dialog, IDC_DESKTOP_ICON)) << "shortcut exists";
        EXPECT_EQ(BST_UNCHECKED, boxState(dialog, IDC_START_MENU_ICON));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_DESKTOP_ICON)));
        // A pre-selected box becomes unchecked on the first click, then alternates.
        for (int expected : {BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED}) {
            click(dialog, IDC_DESKTOP_ICON);
            EXPECT_EQ(expected, boxState(dialog, IDC_DESKTOP_ICON));
        }
        click(dialog, IDC_START_MENU_ICON);
        EXPECT_EQ(BST_CHECKED, boxState(dialog, IDC_START_MENU_ICON));
        SetDlgItemTextA(dialog, 1000, "C:\\Edited Folder");
        click(dialog, IDOK);
    }));
    EXPECT_TRUE(shown);
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(options.flags & FreshInstall);
    EXPECT_FALSE(options.desktopIcon);
    EXPECT_TRUE(options.startMenuIcon);
    EXPECT_EQ(1, options.toolbarButton);
    EXPECT_STREQ("C:\\Edited Folder", options.programDir);
    EXPECT_STREQ("C:\\Edited Folder\\\\Quolen.exe", options.programExe);
    EXPECT_EQ(commonPrograms() + "\\Options Group\\" + Product + ".lnk", options.menuShortcut);

    // Untouched boxes: the indeterminate one counts as chosen.
    ASSERT_TRUE(collect(Install, [](HWND dialog) { click(dialog, IDOK); }));
    EXPECT_TRUE(options.desktopIcon);
    EXPECT_FALSE(options.startMenuIcon);
}

TEST_F(InstallOptions, ReinstallKeepsTheEarlierFolderAndTakesIconsFromTheOldName) {
    earlierInstallation("C:\\Earlier Folder", OldProduct, "2.00.0000");
    writeDesktopShortcut("C:\\Q\\Quolen.exe", OldProduct, Install);
    ASSERT_TRUE(collect(Install, [](HWND dialog) {
        EXPECT_EQ(resourceText(IDS_FOLDER_PROMPT), windowText(GetDlgItem(dialog, 1004)));
        EXPECT_EQ("C:\\Earlier Folder", windowText(GetDlgItem(dialog, 1000)));
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, 1000), GWL_STYLE) & ES_READONLY);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BROWSE)));
        EXPECT_EQ(BST_INDETERMINATE, boxState(dialog, IDC_DESKTOP_ICON));
        click(dialog, IDOK);
    }));
    EXPECT_FALSE(options.flags & FreshInstall);
    EXPECT_TRUE(options.desktopIcon);
    EXPECT_STREQ("C:\\Earlier Folder", options.programDir);
    EXPECT_STREQ(OldProduct, options.oldProductName);
    EXPECT_STREQ("2.00.0000", installedVersion);
    EXPECT_EQ(commonPrograms() + "\\Options Group\\" + OldProduct + ".lnk",
              options.oldMenuShortcut);

    // A name without a version is no earlier installation, and leaves no old name behind.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, ProductKey, "Version");
    ASSERT_TRUE(collect(Install | Silent));
    EXPECT_TRUE(options.flags & FreshInstall);
    EXPECT_STREQ("", options.oldProductName);
    EXPECT_STREQ("", options.oldMenuShortcut);
    EXPECT_STREQ("", installedVersion);
}

TEST_F(InstallOptions, BoxesHiddenWithoutInternetFunctionOrWithW) {
    writeDesktopShortcut("C:\\Q\\Quolen.exe", Product, Install);
    auto hiddenBoxes = [](HWND dialog) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_DESKTOP_ICON)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_START_MENU_ICON)));
        click(dialog, IDOK);
    };
    // A release after 3.00.0000 that switched the internet function off.
    earlierInstallation("C:\\Earlier Folder", Product, "3.00.0001");
    setInternetFunction(0);
    ASSERT_TRUE(collect(Install, hiddenBoxes));
    EXPECT_EQ(0, options.internetFunction);
    EXPECT_EQ(0, options.toolbarButton);
    EXPECT_TRUE(options.desktopIcon) << "a hidden box counts with the state it was given";

    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ProductKey);
    ASSERT_TRUE(collect(Install | NoShellItems, hiddenBoxes));
    EXPECT_EQ(1, options.internetFunction);
    EXPECT_TRUE(options.desktopIcon);
}

TEST_F(InstallOptions, CancelDisabledUnderOButTheSystemMenuCloseCancels) {
    ASSERT_TRUE(collect(Install | Relaunch, [](HWND dialog) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
        SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        // Ended by the procedure itself: the default close would refuse a disabled Cancel.
        EXPECT_FALSE(IsWindowVisible(dialog));
    }));
    EXPECT_TRUE(cancelled);
}

TEST_F(InstallOptions, StoredInternetFunctionComparedByteWiseWithTheLastReleaseWithoutSwitch) {
    struct {
        const char* version; // of the earlier installation; none: a stray value only
        int internetFunction;
    } cases[] = {{"3.00.0001", 0},  {"3.00.0000", 1},
                 {"3.00.00001", 0}, {"10.00.0000", 1}, // below "3" byte-wise
                 {"0300001A", 0},                      // shown as 3.00.001A
                 {nullptr, 0}};
    for (const auto& c : cases) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, ProductKey);
        if (c.version)
            earlierInstallation("C:\\Earlier Folder", Product, c.version);
        setInternetFunction(0);
        ASSERT_TRUE(collect(Install | Silent));
        EXPECT_EQ(c.internetFunction, options.internetFunction) << (c.version ? c.version : "");
        EXPECT_EQ(c.internetFunction, options.toolbarButton) << (c.version ? c.version : "");
        EXPECT_EQ(c.version == nullptr, (options.flags & FreshInstall) != 0);
    }
}

TEST_F(InstallOptions, SilentRunKeepsTheRegisteredButtonChoiceTheDialogDoesNot) {
    setupFile("TARGET=T\r\nGROUP=G\r\n", "FILE=.");
    ASSERT_TRUE(collect(Install | Silent | NoShellItems));
    EXPECT_EQ(0, options.toolbarButton);
    writeBrowserButton("C:\\Q\\Quolen.exe", "_zelu000.exe,100", "Button", 1);
    ASSERT_TRUE(collect(Install | Silent | NoShellItems));
    EXPECT_EQ(0, options.internetFunction);
    EXPECT_EQ(1, options.toolbarButton);
    ASSERT_TRUE(collect(Install | NoShellItems, [](HWND dialog) { click(dialog, IDOK); }));
    EXPECT_EQ(0, options.toolbarButton);
}

TEST_F(InstallOptions, MissingTargetOrGroupFailsAfterTheDialog) {
    for (const char* init : {"GROUP=G\r\n", "TARGET=T\r\n"}) {
        setupFile(init, "");
        EXPECT_FALSE(collect(Install, [](HWND dialog) { click(dialog, IDOK); })) << init;
        EXPECT_TRUE(shown) << init;
    }
}

TEST_F(InstallOptions, ADialogThatCannotBeShownFailsInsteadOfCancelling) {
    setupData.instance = GetModuleHandleA("kernel32.dll"); // holds no dialog 101
    EXPECT_FALSE(collect(Install));
}

TEST_F(InstallOptions, PathsThatWouldNotFitFailTheCollection) {
    const std::string longName(240, 'n');
    earlierInstallation("C:\\" + std::string(245, 'p'), Product, "2.00.0000"); // programExe
    EXPECT_FALSE(collect(Install | Silent));
    EXPECT_STREQ("", options.programExe);
    earlierInstallation("C:\\Earlier Folder", longName, "2.00.0000"); // oldMenuShortcut
    EXPECT_FALSE(collect(Install | Silent));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, ProductKey);
    releaseFile(longName); // menuShortcut
    EXPECT_FALSE(collect(Install | Silent));
    releaseFile(Product);
    setupFile("TARGET=" + std::string(250, 't') + "\r\nGROUP=G\r\n", ""); // programDir
    EXPECT_FALSE(collect(Install | Silent));
    setupFile("TARGET=T\r\nGROUP=G\r\n", "");
    EXPECT_FALSE(collect(Install, [](HWND dialog) {
        EXPECT_EQ(259, SendDlgItemMessageA(dialog, 1000, EM_GETLIMITTEXT, 0, 0));
        SetDlgItemTextA(dialog, 1000, ("C:\\" + std::string(300, 'x')).c_str());
        click(dialog, IDOK);
    }));
    EXPECT_STREQ("", options.programDir) << "never cut short";
}

TEST_F(InstallOptions, UninstallReadsTheInstallationAndAsksForConfirmation) {
    earlierInstallation(folder, Product, "01050002");
    writeText(folder + "\\ZelSetup.xml", "<build/>");
    ASSERT_TRUE(collect(Silent));
    EXPECT_TRUE(catalogMode);
    EXPECT_STREQ(folder.c_str(), options.sourceDir);
    EXPECT_STREQ("1.05.0002", options.productVersion);
    EXPECT_STREQ("1.05.0002", installedVersion);
    EXPECT_EQ(commonPrograms() + "\\Old Group\\" + Product + ".lnk", options.menuShortcut);

    DeleteFileA((folder + "\\ZelSetup.xml").c_str());
    for (int answer : {IDNO, IDYES}) {
        ASSERT_TRUE(collect(
            0,
            [answer](HWND box) {
                EXPECT_EQ(resourceText(IDS_CONFIRM_UNINSTALL), windowText(GetDlgItem(box, 0xFFFF)));
                click(box, answer);
            },
            IDS_UNINSTALL_CAPTION));
        EXPECT_TRUE(shown);
        EXPECT_EQ(answer == IDNO, cancelled != FALSE);
        EXPECT_FALSE(catalogMode);
    }
    // Only a file of that name, in exactly the installed folder, counts.
    CreateDirectoryA((folder + "\\ZelSetup.xml").c_str(), nullptr);
    ASSERT_TRUE(collect(Silent));
    EXPECT_FALSE(catalogMode) << "a folder named ZelSetup.xml";
    RemoveDirectoryA((folder + "\\ZelSetup.xml").c_str());
    writeText(folder + "\\ZelSetup.xml", "<build/>");
    setValue("ProgDir", folder + ";x");
    ASSERT_TRUE(collect(Silent));
    EXPECT_FALSE(catalogMode) << "the folder before the \";\" is another one";

    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, ProductKey, "MenuDir");
    EXPECT_FALSE(collect(Silent));
}

// The folder browser, opened for real; selections of folders that the tree cannot reach are
// handed to the callback directly, with item lists of real paths.
class FolderBrowser : public InstallOptions {
  protected:
    std::string readOnly;
    std::string deep = "C:\\zel browse\\A rather long folder name\\Another long folder name\\"
                       "Product";

    void SetUp() override {
        InstallOptions::SetUp();
        char path[MAX_PATH] = "";
        GetEnvironmentVariableA("ZEL_READONLY_FOLDER", path, sizeof path);
        readOnly = path;
        SHCreateDirectoryExA(nullptr, deep.c_str(), nullptr);
    }
    void TearDown() override {
        InstallOptions::TearDown();
        removeFolder("C:\\zel browse");
    }
    static void select(HWND browser, const std::string& path, char* programDir) {
        PIDLIST_ABSOLUTE item = ILCreateFromPathA(path.c_str());
        ASSERT_TRUE(item) << path;
        browseCallback(browser, BFFM_SELCHANGED, (LPARAM)item, (LPARAM)programDir);
        ILFree(item);
    }
};

std::string statusText(HWND browser) {
    std::string status = "(none)";
    HWND child = nullptr;
    while ((child = FindWindowExA(browser, child, "Static", nullptr)))
        if (windowText(child) != resourceText(IDS_FRESH_FOLDER_PROMPT))
            status = windowText(child);
    return status;
}
std::string selectedItem(HWND browser) {
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    char text[MAX_PATH] = "";
    TVITEMA item = {};
    item.mask = TVIF_TEXT;
    item.hItem = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&item);
    return text;
}

TEST_F(FolderBrowser, OpensAtTheFolderRefusesReadOnlyAndShortensTheStatusLine) {
    ASSERT_EQ(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY,
              GetFileAttributesA(readOnly.c_str()) & 0x1011)
        << "a folder of the build tree without write permission: " << readOnly;
    char programDir[260] = "C:\\zel browse";
    std::thread driver([&] {
        HWND browser = waitForWindow("Browse for Folder");
        ASSERT_TRUE(browser);
        EXPECT_EQ("zel browse", selectedItem(browser));
        EXPECT_EQ("C:\\zel browse", statusText(browser));
        for (const std::string& refused : {readOnly, folder + "\\ZelSetup.dat"}) {
            select(browser, refused, programDir);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(browser, IDOK))) << refused;
            EXPECT_STREQ("C:\\zel browse", programDir) << "kept";
        }
        select(browser, deep, programDir);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(browser, IDOK)));
        EXPECT_EQ(deep, programDir);
        std::string status = statusText(browser);
        EXPECT_EQ(0u, status.find("C:")) << status;
        EXPECT_NE(std::string::npos, status.find(" ... \\Product")) << status;
        click(browser, IDOK);
    });
    EXPECT_TRUE(browseForFolder(programDir, nullptr));
    driver.join();
    EXPECT_EQ(deep, programDir);

    // A folder that does not exist gives way to the Program Files folder.
    copyText(programDir, sizeof programDir, "C:\\no such folder");
    std::thread canceller([] {
        HWND browser = waitForWindow("Browse for Folder");
        click(browser, IDCANCEL);
    });
    EXPECT_FALSE(browseForFolder(programDir, nullptr));
    canceller.join();
    EXPECT_EQ(programFiles(), programDir);
}

TEST_F(FolderBrowser, BrowseFromTheDialogPutsTheChosenFolderIntoItsEditControl) {
    // Browse opens the browser modally: the click is posted, not sent.
    auto browse = [this](HWND dialog, bool choose) {
        std::string before = windowText(GetDlgItem(dialog, 1000));
        PostMessageA(dialog, WM_COMMAND, IDC_BROWSE, (LPARAM)GetDlgItem(dialog, IDC_BROWSE));
        HWND browser = waitForWindow("Browse for Folder");
        ASSERT_TRUE(browser);
        if (choose) {
            select(browser, deep, options.programDir);
            click(browser, IDOK);
        } else {
            click(browser, IDCANCEL);
        }
        for (int i = 0; i < 250 && IsWindow(browser); ++i)
            Sleep(20);
        EXPECT_EQ(choose ? deep : before, windowText(GetDlgItem(dialog, 1000)));
        click(dialog, IDOK);
    };
    ASSERT_TRUE(collect(Install, [&](HWND dialog) { browse(dialog, true); }));
    EXPECT_EQ(deep, options.programDir);
    EXPECT_EQ(deep + "\\\\Quolen.exe", options.programExe);
    ASSERT_TRUE(collect(Install, [&](HWND dialog) { browse(dialog, false); }));
    EXPECT_EQ(programFiles() + "\\Kestrane\\Options Test", options.programDir);
}

} // namespace
