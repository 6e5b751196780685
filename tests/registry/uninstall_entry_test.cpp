#include "registry/uninstall_entry.h"

#include "tests/registry/registry_readback.h"

namespace {

using UninstallEntryAndSearchPath = RegistryState;
const std::string Entry = UninstallEntry;
const std::string SearchPath = std::string(ProductKeyPath) + "\\SearchPath";

std::string folderKey(const std::string& folder) {
    return SearchPath + "\\" + folder;
}

TEST_F(UninstallEntryAndSearchPath, EntryIsWrittenVisibleThenRemovedWithoutTexts) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    store(Entry, "SystemComponent", dword(1));
    ASSERT_TRUE(writeUninstallEntry("_zelu000.exe", "Kestrane", "1.03.0000", Install));
    EXPECT_EQ(sz("Kestrane"), stored(Entry, "DisplayName"));
    EXPECT_EQ(sz("_zelu000.exe /U"), stored(Entry, "UninstallString"));
    EXPECT_EQ(sz(std::string(windows) + "\\_zelu000.exe,0"), stored(Entry, "DisplayIcon"));
    EXPECT_EQ(sz("1.03.0000"), stored(Entry, "DisplayVersion"));
    EXPECT_EQ("absent", stored(Entry, "SystemComponent"));
    EXPECT_TRUE(writeUninstallEntry(nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(-1, subkeys(Entry));

    EXPECT_TRUE(writeUninstallEntry("_zelu000.exe", nullptr, "1", Install | NoShellItems));
    EXPECT_EQ("absent", stored(Entry, "DisplayName"));
    EXPECT_EQ(sz("_zelu000.exe /U"), stored(Entry, "UninstallString"));
    EXPECT_EQ(sz("1"), stored(Entry, "DisplayVersion"));
    EXPECT_TRUE(writeUninstallEntry(nullptr, nullptr, nullptr, 0));
    // Names whose icon (256 characters) or command (257) outgrow 260 bytes: nothing written.
    EXPECT_FALSE(writeUninstallEntry(std::string(256, 'u').c_str(), "K", "1", Install));
    EXPECT_FALSE(writeUninstallEntry(std::string(257, 'u').c_str(), "K", "1", Install));
    EXPECT_EQ(-1, subkeys(Entry));
}

TEST_F(UninstallEntryAndSearchPath, AFolderReplacesTheFoldersRegisteredBelowIt) {
    EXPECT_TRUE(writeSearchPath("C:\\A", Install));
    EXPECT_TRUE(writeSearchPath("C:\\A\\B", Install));
    EXPECT_EQ(sz("C:\\A"), stored(folderKey("C:\\A"), ""));
    EXPECT_EQ(sz("C:\\A\\B"), stored(folderKey("C:\\A\\B"), ""));
    EXPECT_EQ("absent", stored(folderKey("C:"), ""));
    EXPECT_TRUE(writeSearchPath("C:\\A", Install));
    EXPECT_EQ(0, subkeys(folderKey("C:\\A")));
    EXPECT_EQ(sz("C:\\A"), stored(folderKey("C:\\A"), ""));
    EXPECT_TRUE(writeSearchPath("C:\\A", Install)); // the same folder twice: one key
    EXPECT_EQ(1, subkeys(folderKey("C:")));
    EXPECT_EQ(sz("C:\\A"), stored(folderKey("C:\\A"), ""));

    // A piece that names no folder must not empty the whole list.
    for (const char* nameless : {"", "\\", "\\\\", "\\\\\\"}) {
        EXPECT_TRUE(writeSearchPath(nameless, Install)) << nameless;
        EXPECT_EQ(sz("C:\\A"), stored(folderKey("C:\\A"), "")) << nameless;
        EXPECT_EQ("absent", stored(SearchPath, "")) << nameless;
    }
    // The key path is built in 260 bytes.
    std::string longest = "E:\\" + std::string(259 - SearchPath.size() - 4, 'x');
    EXPECT_TRUE(writeSearchPath(longest.c_str(), Install));
    EXPECT_EQ(sz(longest), stored(folderKey(longest), ""));
    EXPECT_FALSE(writeSearchPath((longest + "y").c_str(), Install));
    EXPECT_EQ(2, subkeys(SearchPath));
}

TEST_F(UninstallEntryAndSearchPath, UninstallDeletesTheWholeTreeAndDeleteKeyTreeCanEmpty) {
    ASSERT_TRUE(writeSearchPath("C:\\A\\B", Install));
    // Folders setup never registered, values on several levels.
    for (const char* name : {"", "one", "two", "three"}) {
        store(folderKey("Z:\\Other\\Deep"), name, sz(name));
        store(folderKey("Z:\\Other"), name, dword(1));
        store(SearchPath, name, sz(name));
        store(folderKey("Z:"), name, sz(name));
    }
    HKEY key;
    ASSERT_EQ(0,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, folderKey("Z:").c_str(), 0, KEY_ALL_ACCESS, &key));
    EXPECT_TRUE(deleteKeyTree(key, nullptr)); // empties, keeps the key
    EXPECT_TRUE(deleteKeyTree(key, "Absent\\Deeper"));
    RegCloseKey(key);
    EXPECT_EQ(0, subkeys(folderKey("Z:")));
    for (const char* name : {"", "one", "two", "three"})
        EXPECT_EQ("absent", stored(folderKey("Z:"), name)) << name;
    store(folderKey("Z:\\Other\\Deep"), "four", sz("4"));

    EXPECT_TRUE(writeSearchPath(nullptr, 0));
    EXPECT_EQ(-1, subkeys(SearchPath));
    EXPECT_EQ(0, subkeys(ProductKeyPath));
    EXPECT_TRUE(writeSearchPath(nullptr, 0)); // already gone
}

} // namespace
