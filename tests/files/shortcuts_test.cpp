#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "files/menu_shortcut.h"
#include "base/platform.h"
#include "files/shortcuts.h"
#include "files_test_support.h"

namespace {

using namespace filestest;

// The shell notifications the operations send: (event, flags) each.
std::vector<std::pair<LONG, UINT>> notifications;

void WINAPI recordNotification(LONG event, UINT flags, LPCVOID, LPCVOID) {
    notifications.push_back({event, flags});
}

} // namespace

extern "C" {
#if defined(_WIN64)
void* notifySlot __asm__("__imp_SHChangeNotify") = (void*)recordNotification;
#else
void* notifySlot __asm__("__imp__SHChangeNotify@16") = (void*)recordNotification;
#endif
}

namespace {

std::string specialFolder(int csidl) {
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

class ShortcutTest : public ::testing::Test {
  protected:
    std::string root = tempFolder() + "zelfiles links";
    std::string target = root + "\\Program\\Quolen.exe";
    std::string desktop = specialFolder(CSIDL_DESKTOP);

    void SetUp() override {
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA((root + "\\Program").c_str(), nullptr);
        writeFile(target, "manager");
    }
    void TearDown() override {
        for (const char* name : {"Kestrane Test.lnk", "Kestrane 1.03.lnk", "Kestrane 1.03"})
            DeleteFileA((desktop + "\\" + name).c_str());
        DeleteFileA((specialFolder(CSIDL_COMMON_STARTMENU) + "\\Kestrane Test.lnk").c_str());
        removeTree(root);
    }
};

TEST_F(ShortcutTest, DesktopAndStartMenuShortcutsAreCreatedFoundAndRemoved) {
    EXPECT_FALSE(hasDesktopShortcut("Kestrane Test"));
    EXPECT_TRUE(writeDesktopShortcut(target.c_str(), "Kestrane Test", Install));
    EXPECT_TRUE(exists(desktop + "\\Kestrane Test.lnk"));
    EXPECT_TRUE(hasDesktopShortcut("Kestrane Test"));
    EXPECT_FALSE(hasStartMenuShortcut("Kestrane Test")) << "each check searches its own folder";

    // The NT family puts it into the top level of the all-users Start menu.
    EXPECT_TRUE(writeStartMenuShortcut(target.c_str(), "Kestrane Test", Install | Silent));
    EXPECT_TRUE(exists(specialFolder(CSIDL_COMMON_STARTMENU) + "\\Kestrane Test.lnk"));
    EXPECT_FALSE(exists(specialFolder(CSIDL_STARTMENU) + "\\Kestrane Test.lnk"));
    EXPECT_TRUE(hasStartMenuShortcut("Kestrane Test"));

    EXPECT_TRUE(writeDesktopShortcut(nullptr, "Kestrane Test", 0));
    EXPECT_TRUE(writeStartMenuShortcut(nullptr, "Kestrane Test", Silent));
    EXPECT_FALSE(hasDesktopShortcut("Kestrane Test"));
    EXPECT_FALSE(hasStartMenuShortcut("Kestrane Test"));
    EXPECT_TRUE(writeDesktopShortcut(nullptr, "Kestrane Test", 0)) << "absent is no failure";
}

TEST_F(ShortcutTest, DottedNameIsSearchedWithoutTheDefaultExtension) {
    ASSERT_TRUE(writeDesktopShortcut(target.c_str(), "Kestrane 1.03", Install));
    EXPECT_TRUE(exists(desktop + "\\Kestrane 1.03.lnk"));
    EXPECT_FALSE(hasDesktopShortcut("Kestrane 1.03")) << "\".03\" counts as its extension";
    EXPECT_TRUE(hasDesktopShortcut("Kestrane 1.03.lnk"));
    writeFile(desktop + "\\Kestrane 1.03", "");
    EXPECT_TRUE(hasDesktopShortcut("Kestrane 1.03"));
    DeleteFileA((desktop + "\\Kestrane 1.03").c_str());

    // Removal takes the link away although the search does not see it.
    EXPECT_TRUE(writeDesktopShortcut(nullptr, "Kestrane 1.03", 0));
    EXPECT_FALSE(exists(desktop + "\\Kestrane 1.03.lnk"));
}

TEST_F(ShortcutTest, OnlyAFileCountsAsAShortcut) {
    ASSERT_TRUE(CreateDirectoryA((desktop + "\\Kestrane Test.lnk").c_str(), nullptr));
    EXPECT_FALSE(hasDesktopShortcut("Kestrane Test")) << "a folder of that name";
    RemoveDirectoryA((desktop + "\\Kestrane Test.lnk").c_str());
}

TEST_F(ShortcutTest, CreationFailsWithoutWritingWhereNoLinkCanBeSaved) {
    std::string longName(250, 'n');
    EXPECT_FALSE(writeDesktopShortcut(target.c_str(), longName.c_str(), Install));
    EXPECT_NE(S_OK, createShellLink(target.c_str(), (root + "\\Missing\\x.lnk").c_str()));
    EXPECT_FALSE(exists(root + "\\Missing"));
}

class MenuShortcutTest : public ShortcutTest {
  protected:
    std::string programs = root + "\\Programs";
    std::string menuFolder = programs + "\\Kestrane Software Installer";
    std::string shortcut = menuFolder + "\\Kestrane Test.lnk";

    void SetUp() override {
        ShortcutTest::SetUp();
        CreateDirectoryA(programs.c_str(), nullptr);
    }
    void link(const std::string& to, const std::string& file) {
        ASSERT_EQ(S_OK, createShellLink(to.c_str(), file.c_str())) << file;
    }
};

TEST_F(MenuShortcutTest, FolderIsCreatedOneLevelAndRemovedOnlyWhenEmpty) {
    ASSERT_TRUE(
        writeMenuFolderShortcut(target.c_str(), shortcut.c_str(), menuFolder.c_str(), Install));
    EXPECT_TRUE(exists(shortcut));
    writeFile(menuFolder + "\\Readme.txt", "other entry");
    EXPECT_TRUE(writeMenuFolderShortcut(nullptr, shortcut.c_str(), menuFolder.c_str(), 0));
    EXPECT_FALSE(exists(shortcut));
    EXPECT_TRUE(exists(menuFolder + "\\Readme.txt")) << "the folder stays with its other entry";
    DeleteFileA((menuFolder + "\\Readme.txt").c_str());
    EXPECT_TRUE(writeMenuFolderShortcut(nullptr, shortcut.c_str(), menuFolder.c_str(), 0));
    EXPECT_FALSE(exists(menuFolder));

    std::string orphan = root + "\\Missing\\Kestrane Software Installer";
    EXPECT_FALSE(writeMenuFolderShortcut(target.c_str(), (orphan + "\\Kestrane Test.lnk").c_str(),
                                         orphan.c_str(), Install));
    EXPECT_FALSE(exists(root + "\\Missing"));
}

TEST_F(MenuShortcutTest, OlderShortcutsToTheSameProgramGoFromTheSiblingFolders) {
    std::string kestrane = programs + "\\Kestrane";
    std::string access = programs + "\\Access NRX";
    std::string elsewhere = root + "\\Program\\Other.exe";
    writeFile(elsewhere, "other program");
    CreateDirectoryA(kestrane.c_str(), nullptr);
    CreateDirectoryA(access.c_str(), nullptr);
    std::string upperTarget = target;
    CharUpperA(&upperTarget[0]);
    link(upperTarget, kestrane + "\\Quolen 1.02.lnk"); // letter case does not matter
    link(elsewhere, access + "\\Other.lnk");
    link(target, access + "\\Old A.lnk");
    link(target, access + "\\Old B.lnk");
    std::string firstMatch;
    for (const std::string& name : listFolder(access))
        if (firstMatch.empty() && name != "Other.lnk")
            firstMatch = name;

    ASSERT_TRUE(
        writeMenuFolderShortcut(target.c_str(), shortcut.c_str(), menuFolder.c_str(), Install));
    EXPECT_FALSE(exists(kestrane)) << "emptied sibling folder removed";
    std::vector<std::string> left = listFolder(access);
    EXPECT_EQ(2u, left.size());
    EXPECT_TRUE(exists(access + "\\Other.lnk"));
    EXPECT_FALSE(exists(access + "\\" + firstMatch)) << "only the first match goes";
    EXPECT_TRUE(exists(shortcut));
}

TEST_F(MenuShortcutTest, MenuFolderNamedLikeASiblingKeepsItsShortcut) {
    for (const char* name : {"Kestrane", "access nrx"}) {
        std::string folder = programs + "\\" + name;
        std::string file = folder + "\\Kestrane Test.lnk";
        // A reinstall saves the shortcut again over the first one.
        for (int install = 1; install <= 2; ++install) {
            EXPECT_TRUE(
                writeMenuFolderShortcut(target.c_str(), file.c_str(), folder.c_str(), Install))
                << name << " install " << install;
            EXPECT_TRUE(exists(file)) << name << " install " << install;
        }
    }
}

TEST_F(MenuShortcutTest, ShellIsNotifiedOncePerRemovalAndSaveWithTheFamilysFlag) {
    bool nt = isNtFamily();
    // The run of this test as Windows 98 (ZEL_EXPECT_9X) must see the 9x family.
    EXPECT_EQ(getenv("ZEL_EXPECT_9X") == nullptr, nt);
    const std::pair<LONG, UINT> one = {SHCNE_ASSOCCHANGED, nt ? SHCNF_FLUSH : 0x2000u};

    std::string kestrane = programs + "\\Kestrane";
    CreateDirectoryA(kestrane.c_str(), nullptr);
    link(target, kestrane + "\\Old.lnk");
    notifications.clear();
    ASSERT_TRUE(
        writeMenuFolderShortcut(target.c_str(), shortcut.c_str(), menuFolder.c_str(), Install));
    EXPECT_FALSE(exists(kestrane)) << "the stale shortcut went";
    EXPECT_EQ((std::vector<std::pair<LONG, UINT>>{one}), notifications) << "one for the save";

    notifications.clear();
    EXPECT_TRUE(writeMenuFolderShortcut(nullptr, shortcut.c_str(), menuFolder.c_str(), 0));
    EXPECT_TRUE(writeMenuFolderShortcut(nullptr, shortcut.c_str(), menuFolder.c_str(), 0));
    EXPECT_EQ((std::vector<std::pair<LONG, UINT>>{one, one}), notifications) << "one per removal";

    notifications.clear();
    std::string longFile = menuFolder + "\\" + std::string(260, 'n') + ".lnk";
    EXPECT_FALSE(
        writeMenuFolderShortcut(target.c_str(), longFile.c_str(), menuFolder.c_str(), Install));
    EXPECT_TRUE(notifications.empty()) << "no save attempted";
}

TEST_F(MenuShortcutTest, PathsTooLongForTheirBuffersFailWithoutWriting) {
    // A shortcut file whose wide form needs more than 260 characters is not saved.
    std::string longFile = menuFolder + "\\" + std::string(260, 'n') + ".lnk";
    EXPECT_FALSE(
        writeMenuFolderShortcut(target.c_str(), longFile.c_str(), menuFolder.c_str(), Install));
    EXPECT_TRUE(listFolder(menuFolder).empty());
    // A target whose working folder does not fit is refused before any link is made.
    std::string longTarget = root + "\\" + std::string(300, 't') + "\\Quolen.exe";
    EXPECT_FALSE(
        writeMenuFolderShortcut(longTarget.c_str(), shortcut.c_str(), menuFolder.c_str(), Install));
    EXPECT_FALSE(exists(shortcut));
}

} // namespace
