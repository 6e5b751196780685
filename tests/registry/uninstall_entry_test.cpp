#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "registry/uninstall_entry.h"
#include "tests/registry/registry_readback.h"

namespace {

const char Entry[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KestraneSoftwareInstaller";
const char ProductKeyPath[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";
const char SearchPath[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller\\SearchPath";

class RegistryAreas : public ::testing::Test {
  protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    static void clean() {
        removeTree(HKEY_LOCAL_MACHINE, Entry);
        removeTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NRX");
    }
};

std::string windowsFolder() {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder;
}

std::string folderKey(const std::string& folder) {
    return std::string(SearchPath) + "\\" + folder;
}

TEST_F(RegistryAreas, UninstallEntryIsWrittenVisibleAndRemovedWithoutTexts) {
    storeNumber(Entry, "SystemComponent", 1);
    storeText(Entry, "DisplayName", "Old name");
    ASSERT_TRUE(
        writeUninstallEntry("_zelu000.exe", "Kestrane Software Installer", "1.03.0000", Install));
    EXPECT_TRUE(storedText(Entry, "DisplayName", "Kestrane Software Installer"));
    EXPECT_TRUE(storedText(Entry, "UninstallString", "_zelu000.exe /U"));
    EXPECT_TRUE(storedText(Entry, "DisplayIcon", windowsFolder() + "\\_zelu000.exe,0"));
    EXPECT_TRUE(storedText(Entry, "DisplayVersion", "1.03.0000"));
    EXPECT_TRUE(absentValue(Entry, "SystemComponent"));
    // Installing again over a visible entry: SystemComponent's absence is no failure.
    EXPECT_TRUE(writeUninstallEntry("_zelu000.exe", "Kestrane", "1.03.0001", Install));
    EXPECT_TRUE(storedText(Entry, "DisplayVersion", "1.03.0001"));

    EXPECT_TRUE(writeUninstallEntry(nullptr, nullptr, nullptr, 0));
    EXPECT_FALSE(keyExists(Entry));
    EXPECT_FALSE(writeUninstallEntry(nullptr, nullptr, nullptr, 0)); // nothing left to delete
}

TEST_F(RegistryAreas, NoShellItemsLeavesOutTheDisplayName) {
    EXPECT_TRUE(writeUninstallEntry("_zelu000.exe", nullptr, "1.03.0000", Install | NoShellItems));
    EXPECT_TRUE(absentValue(Entry, "DisplayName"));
    EXPECT_TRUE(storedText(Entry, "UninstallString", "_zelu000.exe /U"));
    EXPECT_TRUE(storedText(Entry, "DisplayIcon", windowsFolder() + "\\_zelu000.exe,0"));
    EXPECT_TRUE(storedText(Entry, "DisplayVersion", "1.03.0000"));
    // Without NoShellItems the name is required.
    removeTree(HKEY_LOCAL_MACHINE, Entry);
    EXPECT_FALSE(writeUninstallEntry("_zelu000.exe", nullptr, "1.03.0000", Install));
    EXPECT_FALSE(keyExists(Entry));
}

TEST_F(RegistryAreas, CommandsThatDoNotFitLeaveTheEntryUntouched) {
    // The command fits ("... /U" is 259 characters), the icon path behind the Windows folder
    // does not.
    std::string name(256, 'u');
    EXPECT_FALSE(writeUninstallEntry(name.c_str(), "Kestrane", "1", Install));
    EXPECT_FALSE(keyExists(Entry));
    EXPECT_FALSE(writeUninstallEntry(std::string(257, 'u').c_str(), "Kestrane", "1", Install));
    EXPECT_FALSE(keyExists(Entry));
}

TEST_F(RegistryAreas, AFolderReplacesTheFoldersRegisteredBelowIt) {
    EXPECT_TRUE(writeSearchPath("C:\\A", Install));
    EXPECT_TRUE(writeSearchPath("C:\\A\\B", Install));
    EXPECT_TRUE(storedText(folderKey("C:\\A").c_str(), "", "C:\\A"));
    EXPECT_TRUE(storedText(folderKey("C:\\A\\B").c_str(), "", "C:\\A\\B"));
    EXPECT_TRUE(absentValue(folderKey("C:").c_str(), ""));

    // C:\A again: C:\A\B goes, C:\A stays with the same value, once.
    storeText(folderKey("C:\\A").c_str(), "Extra", "x");
    EXPECT_TRUE(writeSearchPath("C:\\A", Install));
    EXPECT_FALSE(keyExists(folderKey("C:\\A\\B").c_str()));
    EXPECT_TRUE(absentValue(folderKey("C:\\A").c_str(), "Extra"));
    EXPECT_TRUE(storedText(folderKey("C:\\A").c_str(), "", "C:\\A"));
    EXPECT_EQ(0u, subkeyCount(folderKey("C:\\A").c_str()));
    EXPECT_EQ(1u, subkeyCount(folderKey("C:").c_str()));

    // The same folder twice: one key, the same value, a leaf keeps its values.
    storeText(folderKey("C:\\A").c_str(), "Extra", "x");
    EXPECT_TRUE(writeSearchPath("C:\\A", Install));
    EXPECT_TRUE(storedText(folderKey("C:\\A").c_str(), "", "C:\\A"));
    EXPECT_TRUE(storedText(folderKey("C:\\A").c_str(), "Extra", "x"));
    EXPECT_EQ(1u, subkeyCount(folderKey("C:").c_str()));
}

TEST_F(RegistryAreas, EmptyOrOverlongFoldersLeaveTheListAlone) {
    ASSERT_TRUE(writeSearchPath("C:\\A", Install));
    ASSERT_TRUE(writeSearchPath("D:\\DRIVERS", Install));
    // An empty piece of the search list must not empty the whole list.
    EXPECT_TRUE(writeSearchPath("", Install));
    EXPECT_TRUE(storedText(folderKey("C:\\A").c_str(), "", "C:\\A"));
    EXPECT_TRUE(storedText(folderKey("D:\\DRIVERS").c_str(), "", "D:\\DRIVERS"));
    EXPECT_TRUE(absentValue(SearchPath, ""));

    // The key path of a folder is built in 260 bytes.
    std::string longFolder = "E:\\" + std::string(259 - strlen(SearchPath) - 1 - 3, 'x');
    EXPECT_TRUE(writeSearchPath(longFolder.c_str(), Install)); // a key path of 259 characters
    EXPECT_TRUE(storedText(folderKey(longFolder).c_str(), "", longFolder));
    EXPECT_FALSE(writeSearchPath((longFolder + "y").c_str(), Install));
    EXPECT_FALSE(writeSearchPath(nullptr, Install));
    EXPECT_EQ(3u, subkeyCount(SearchPath));
}

TEST_F(RegistryAreas, UninstallRemovesTheWholeSearchPathTree) {
    ASSERT_TRUE(writeSearchPath("C:\\A\\B", Install));
    // Folders setup never registered, with values and levels of their own.
    storeText(folderKey("Z:\\Other\\Deep\\Deeper").c_str(), "", "Z:\\Other\\Deep\\Deeper");
    for (const char* name : {"one", "two", "three"})
        storeText(folderKey("Z:\\Other").c_str(), name, name);
    storeNumber(SearchPath, "Count", 3);
    storeText(ProductKeyPath, "ProgDir", "C:\\Kestrane");

    EXPECT_TRUE(writeSearchPath(nullptr, 0));
    EXPECT_FALSE(keyExists(SearchPath));
    EXPECT_TRUE(storedText(ProductKeyPath, "ProgDir", "C:\\Kestrane"));
    EXPECT_TRUE(writeSearchPath(nullptr, 0)); // absent: still success
}

TEST_F(RegistryAreas, DeleteKeyTreeEmptiesOrDeletesWhateverItHolds) {
    const std::string root = std::string(ProductKeyPath) + "\\Tree";
    for (int level = 0; level < 3; ++level) {
        std::string key = root;
        for (int depth = 0; depth <= level; ++depth)
            key += "\\K" + std::to_string(depth);
        for (int value = 0; value < 5; ++value)
            storeText(key.c_str(), ("v" + std::to_string(value)).c_str(), "x");
        storeText((root + "\\S" + std::to_string(level)).c_str(), "", "leaf");
    }
    storeNumber(root.c_str(), "top", 1);
    storeText(root.c_str(), "", "default");

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, root.c_str(), 0, KEY_ALL_ACCESS, &key));
    EXPECT_TRUE(deleteKeyTree(key, nullptr)); // empties, keeps the key itself
    RegCloseKey(key);
    EXPECT_TRUE(keyExists(root.c_str()));
    EXPECT_EQ(0u, subkeyCount(root.c_str()));
    EXPECT_TRUE(absentValue(root.c_str(), "top"));
    EXPECT_TRUE(absentValue(root.c_str(), ""));

    storeText((root + "\\K0\\K1").c_str(), "v", "x");
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, KEY_ALL_ACCESS, &key));
    EXPECT_TRUE(deleteKeyTree(key, "Tree"));
    EXPECT_TRUE(deleteKeyTree(key, "Tree")); // absent
    EXPECT_TRUE(deleteKeyTree(key, "Absent\\Deeper"));
    RegCloseKey(key);
    EXPECT_FALSE(keyExists(root.c_str()));
    EXPECT_TRUE(keyExists(ProductKeyPath));
}

} // namespace
