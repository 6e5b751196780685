#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "files/file_set.h"
#include "files_test_support.h"
#include "security_doubles.h"
#include "setupdata/setup_data_sources.h"

namespace {

using namespace filestest;
typedef std::vector<std::pair<std::string, std::string>> Operations;

const char SessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char PendingValue[] = "PendingFileRenameOperations";

// Media name and installed name of each row; row 3 in both forms.
const char* const mediaNames[12] = {"setup.exe",    "Quolen",       "Quolen.zel",   "ZelSetup.dat",
                                    "ZelSetup.dll", "ZELSYSID.sys", "ZELSYSID.vxd", "zelliba.dll",
                                    "zellibb.dll",  "unicows.dll",  "ZELNTDEV.sys", "ZelFlash.dll"};
const char* const installedNames[12] = {
    "_zelu000.exe", "Quolen.exe",  "ZelSetup.ini", "ZelSetup.dat", "ZelSetup.dll", "ZELSYSID.sys",
    "ZELSYSID.vxd", "zelliba.dll", "zellibb.dll",  "unicows.dll",  "ZELNTDEV.sys", "ZelFlash.dll"};

std::string mediaName(int row, bool catalog) {
    return row == 2 && catalog ? "NRXZEL.xml" : mediaNames[row];
}
std::string installedName(int row, bool catalog) {
    return row == 2 && catalog ? "ZelSetup.xml" : installedNames[row];
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

// The pending operations as (file, new name) pairs; an empty new name is a deletion.
Operations pendingOperations() {
    Operations operations;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManager, 0, KEY_QUERY_VALUE, &key))
        return operations;
    std::vector<char> data(65536);
    DWORD size = (DWORD)data.size();
    if (RegQueryValueExA(key, PendingValue, nullptr, nullptr, (BYTE*)data.data(), &size) == 0) {
        std::vector<std::string> items;
        for (const char* item = data.data(); item < data.data() + size && *item;) {
            items.push_back(item);
            item += items.back().size() + 1;
            // A deletion's empty new name would end the walk: take it here.
            if (items.size() % 2 && item < data.data() + size && !*item) {
                items.push_back("");
                ++item;
            }
        }
        for (size_t i = 0; i + 1 < items.size(); i += 2)
            operations.push_back({lower(items[i]), lower(items[i + 1])});
    }
    RegCloseKey(key);
    return operations;
}

std::pair<std::string, std::string> deletion(const std::string& path) {
    return {lower("\\??\\" + path), ""};
}
std::pair<std::string, std::string> replacement(const std::string& from, const std::string& to) {
    return {lower("\\??\\" + from), lower("\\??\\" + to)};
}

// The lines of the "rename" section of the Windows folder's WININIT.INI, as written.
std::vector<std::string> restartLines() {
    std::string text = readFile(windowsFolder() + "\\WININIT.INI");
    std::vector<std::string> lines;
    bool inSection = false;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[')
            inSection = lower(line) == "[rename]";
        else if (inSection && !line.empty())
            lines.push_back(line);
    }
    return lines;
}

std::string shortPath(const std::string& path) {
    char result[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), result, sizeof result);
    return length && length < sizeof result ? result : "(no short path: " + path + ")";
}

class FileSetTest : public ::testing::Test {
  protected:
    std::string temp = tempFolder();
    std::string windows = windowsFolder();
    std::string media = temp + "zelfiles media";
    std::string programRoot = temp + "zelfiles program";
    std::string program = programRoot + "\\Kestrane Installer\\bin";
    std::string uninstaller = windows + "\\_zelu000.exe";
    std::string restartFile = windows + "\\WININIT.INI";
    bool uninstallerExisted = exists(uninstaller);
    std::string oldRestartFile = readFile(restartFile);

    void SetUp() override {
        ASSERT_TRUE(pendingOperations().empty()) << "operations pending before the test";
        CreateDirectoryA(media.c_str(), nullptr);
        for (int row = 0; row < 12; ++row) {
            writeFile(media + "\\" + mediaName(row, false), "media " + mediaName(row, false));
            writeFile(media + "\\" + mediaName(row, true), "media " + mediaName(row, true));
        }
        std::string runner = ownFolder() + "\\files_runner.exe";
        ASSERT_TRUE(CopyFileA(runner.c_str(), (media + "\\zelrun.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(runner.c_str(), (media + "\\zelrun9x.exe").c_str(), FALSE));
        setWin98Mode("zelrun9x.exe", true);
    }

    void TearDown() override {
        // A new Wine session would carry out whatever is left pending.
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManager, 0, KEY_SET_VALUE, &key) == 0) {
            RegDeleteValueA(key, PendingValue);
            RegCloseKey(key);
        }
        if (oldRestartFile == "(missing)")
            DeleteFileA(restartFile.c_str());
        else
            writeFile(restartFile, oldRestartFile);
        setWin98Mode("zelrun9x.exe", false);
        if (!uninstallerExisted)
            DeleteFileA(uninstaller.c_str());
        for (int row = 0; row < 12; ++row) {
            DeleteFileA((temp + installedName(row, false)).c_str());
            DeleteFileA((temp + installedName(row, true)).c_str());
        }
        removeTree(media);
        removeTree(programRoot);
        DeleteFileA(securityLog.c_str());
    }

    std::string securityLog = temp + "zelfiles security.log";

    // The files the last deploy applied security to (its runner's log), in order.
    std::vector<std::string> securedFiles() {
        std::vector<std::string> files;
        std::string log = readFile(securityLog);
        const std::string call = "SetNamedSecurityInfoA(";
        for (size_t at = log.find(call); at != std::string::npos; at = log.find(call, at + 1))
            files.push_back(
                log.substr(at + call.size(), log.find(", type", at) - at - call.size()));
        return files;
    }

    // Runs the file set from the media folder as the NT family or, with win98, as the 9x one.
    DWORD deploy(const std::string& folder, bool inUse, RunFlags flags, bool catalog,
                 bool win98 = false) {
        DeleteFileA(securityLog.c_str());
        SetEnvironmentVariableA("ZEL_SECURITY_LOG", securityLog.c_str());
        return runProgram(
            media + (win98 ? "\\zelrun9x.exe" : "\\zelrun.exe"),
            {"deploy", folder, inUse ? "1" : "0", flags ? "1" : "0", catalog ? "1" : "0"});
    }

    std::string installed(int row, bool catalog) {
        return (row ? program : windows) + "\\" + installedName(row, catalog);
    }

    void installOld(bool catalog, int firstRow = 1) {
        ASSERT_TRUE(createFolderPath(program.c_str()));
        for (int row = firstRow; row < 12; ++row)
            writeFile(installed(row, catalog), "old");
    }
};

TEST_F(FileSetTest, InstallStagesAndMovesTheTwelveFilesIntoPlace) {
    ASSERT_EQ(0u, deploy(program, false, Install, false));
    std::vector<std::string> secured;
    for (int row = 0; row < 12; ++row) {
        // Row 1 is the media's "setup.exe", not the program that ran.
        EXPECT_EQ("media " + mediaName(row, false), readFile(installed(row, false))) << row;
        EXPECT_FALSE(exists(temp + installedName(row, false))) << "left staged: " << row;
        secured.push_back(temp + installedName(row, false));
    }
    EXPECT_TRUE(pendingOperations().empty());
    // On the NT family every staged file was secured, in list order; never on the 9x family.
    EXPECT_EQ(secured, securedFiles());
    ASSERT_EQ(0u, deploy(program, false, Install, false, true));
    EXPECT_EQ(std::vector<std::string>{}, securedFiles());
}

TEST_F(FileSetTest, ReleaseDescriptionOfTheOtherFormAndTheManifestAreRemoved) {
    installOld(false);
    writeFile(program + "\\ZelSetup.xml", "old catalog");
    writeFile(program + "\\quolen.exe.manifest", "old manifest");
    ASSERT_EQ(0u, deploy(program, false, Install, false));
    EXPECT_FALSE(exists(program + "\\ZelSetup.xml"));
    EXPECT_FALSE(exists(program + "\\quolen.exe.manifest"));
    EXPECT_EQ("media Quolen.zel", readFile(program + "\\ZelSetup.ini"));

    ASSERT_EQ(0u, deploy(program, false, Install, true));
    EXPECT_FALSE(exists(program + "\\ZelSetup.ini"));
    EXPECT_EQ("media NRXZEL.xml", readFile(program + "\\ZelSetup.xml"));
}

TEST_F(FileSetTest, MissingMediaFileFailsBeforeAnythingInstalledChanges) {
    DeleteFileA((media + "\\Quolen").c_str());
    EXPECT_EQ(1u, deploy(program, false, Install, false));
    EXPECT_FALSE(exists(programRoot)) << "program folder created";
    EXPECT_EQ(uninstallerExisted, exists(uninstaller));

    installOld(false);
    writeFile(program + "\\ZelSetup.xml", "old catalog");
    EXPECT_EQ(1u, deploy(program, false, Install, false));
    for (int row = 1; row < 12; ++row)
        EXPECT_EQ("old", readFile(installed(row, false))) << row;
    EXPECT_EQ("old catalog", readFile(program + "\\ZelSetup.xml"));
}

TEST_F(FileSetTest, FolderInPlaceOfAFileFailsBeforeAnythingChanges) {
    // Named like a file of the set: on the media, in the temporary folder, at a destination.
    std::vector<std::string> folders = {media + "\\Quolen", temp + "ZelFlash.dll",
                                        program + "\\zellibb.dll"};
    for (const std::string& folder : folders) {
        installOld(false);
        DeleteFileA(folder.c_str());
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        writeFile(folder + "\\inside.txt", "a folder's file");
        EXPECT_EQ(1u, deploy(program, false, Install, false)) << folder;
        for (int row = 1; row < 12; ++row) {
            if (installed(row, false) != folder) {
                EXPECT_EQ("old", readFile(installed(row, false))) << folder << " " << row;
            }
        }
        EXPECT_EQ("a folder's file", readFile(folder + "\\inside.txt"));
        EXPECT_EQ(uninstallerExisted, exists(uninstaller)) << folder;
        removeTree(folder);
        writeFile(media + "\\Quolen", "media Quolen");
    }
}

TEST_F(FileSetTest, OnlyTheProgramFolderItselfIsLookedIn) {
    // Its name holds ";": the folder named like the part before it is another one.
    std::string other = programRoot + "\\Kestrane";
    std::string folder = other + ";Installer";
    ASSERT_TRUE(createFolderPath(other.c_str()));
    writeFile(other + "\\ZelSetup.xml", "another folder's catalog");
    ASSERT_TRUE(createFolderPath(folder.c_str()));
    // A folder named like the other form's description is none.
    ASSERT_TRUE(CreateDirectoryA((folder + "\\quolen.exe.manifest").c_str(), nullptr));
    ASSERT_EQ(0u, deploy(folder, false, Install, false));
    EXPECT_EQ("media Quolen", readFile(folder + "\\Quolen.exe"));
    EXPECT_EQ("another folder's catalog", readFile(other + "\\ZelSetup.xml"));
    EXPECT_TRUE(GetFileAttributesA((folder + "\\quolen.exe.manifest").c_str()) &
                FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileSetTest, FailureAfterStagingStopsTheOperation) {
    // The other form's description cannot be deleted: no file of the set is moved.
    installOld(false);
    writeFile(program + "\\ZelSetup.xml", "old catalog");
    HANDLE held = CreateFileA((program + "\\ZelSetup.xml").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(1u, deploy(program, false, Install, false));
    CloseHandle(held);
    for (int row = 1; row < 12; ++row)
        EXPECT_EQ("old", readFile(installed(row, false))) << row;
    EXPECT_EQ("old catalog", readFile(program + "\\ZelSetup.xml"));

    // An installed file held open: the uninstall fails, and its uninstaller is not scheduled.
    held = CreateFileA(installed(7, false).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(1u, deploy(program, false, 0, false));
    CloseHandle(held);
    EXPECT_TRUE(pendingOperations().empty());
}

TEST_F(FileSetTest, PathListsLongerThanTenBuffersWorkAndAnOverlongPathFailsCleanly) {
    // Eleven destinations of about 240 bytes: well over 2600 bytes per list.
    std::string deep = programRoot;
    while (deep.size() < 220)
        deep += "\\" + std::string(40, 'd');
    ASSERT_LT(deep.size() + 13, 260u);
    ASSERT_EQ(0u, deploy(deep, false, Install, false));
    EXPECT_EQ("media Quolen", readFile(deep + "\\Quolen.exe"));

    std::string tooDeep = deep + "\\" + std::string(30, 'x');
    EXPECT_EQ(1u, deploy(tooDeep, false, Install, false));
    EXPECT_FALSE(exists(tooDeep));
}

TEST_F(FileSetTest, InUseInstallOnNtSchedulesDeletionThenReplacementPerFile) {
    installOld(false);
    writeFile(program + "\\ZelSetup.xml", "old catalog");
    writeFile(program + "\\quolen.exe.manifest", "old manifest");
    ASSERT_EQ(0u, deploy(program, true, Install, false));

    Operations expected = {deletion(program + "\\ZelSetup.xml"),
                           deletion(program + "\\quolen.exe.manifest")};
    for (int row = 0; row < 12; ++row) {
        expected.push_back(deletion(installed(row, false)));
        expected.push_back(replacement(temp + installedName(row, false), installed(row, false)));
        EXPECT_EQ("media " + mediaName(row, false), readFile(temp + installedName(row, false)));
    }
    EXPECT_EQ(expected, pendingOperations());
    for (int row = 1; row < 12; ++row)
        EXPECT_EQ("old", readFile(installed(row, false))) << row;
    EXPECT_EQ("old catalog", readFile(program + "\\ZelSetup.xml"));
    EXPECT_EQ(uninstallerExisted, exists(uninstaller));
}

TEST_F(FileSetTest, UninstallOnNtDeletesElevenNowAndOnlySchedulesTheUninstaller) {
    installOld(false);
    writeFile(program + "\\keep.txt", "user data");
    ASSERT_EQ(0u, deploy(program, false, 0, false));
    for (int row = 1; row < 12; ++row)
        EXPECT_FALSE(exists(installed(row, false))) << row;
    EXPECT_EQ("user data", readFile(program + "\\keep.txt"));
    EXPECT_EQ(Operations{deletion(uninstaller)}, pendingOperations());
}

TEST_F(FileSetTest, InUseUninstallOnNtSchedulesAllTwelveDeletions) {
    installOld(true);
    ASSERT_EQ(0u, deploy(program, true, 0, true));
    Operations expected;
    for (int row = 0; row < 12; ++row)
        expected.push_back(deletion(installed(row, true)));
    EXPECT_EQ(expected, pendingOperations());
    for (int row = 1; row < 12; ++row)
        EXPECT_EQ("old", readFile(installed(row, true))) << row;
}

TEST_F(FileSetTest, InUseInstallOn9xWritesShortRenameLines) {
    // Only some destinations exist: the others are named by their folder's short form.
    ASSERT_TRUE(createFolderPath(program.c_str()));
    writeFile(program + "\\Quolen.exe", "old");
    writeFile(program + "\\ZelSetup.xml", "old catalog");
    writeFile(program + "\\quolen.exe.manifest", "old manifest");
    ASSERT_EQ(0u, deploy(program, true, Install, false, true));

    std::vector<std::string> expected = {"NUL=" + shortPath(program + "\\ZelSetup.xml")};
    for (int row = 0; row < 12; ++row) {
        std::string destination = installed(row, false);
        std::string shortDestination =
            exists(destination) ? shortPath(destination)
                                : shortPath(row ? program : windows) + "\\" + installedNames[row];
        expected.push_back(shortDestination + "=" + shortPath(temp + installedNames[row]));
    }
    EXPECT_EQ(expected, restartLines());
    EXPECT_NE(program, shortPath(program)) << "the program folder needs its short form";
    EXPECT_EQ("old", readFile(program + "\\Quolen.exe"));
    EXPECT_EQ("old catalog", readFile(program + "\\ZelSetup.xml"));
    EXPECT_EQ("old manifest", readFile(program + "\\quolen.exe.manifest"));
    EXPECT_TRUE(pendingOperations().empty());
}

TEST_F(FileSetTest, UninstallOn9xWritesDeletionLinesAndKeepsOtherProgramsLines) {
    // Another program's replacement waits for the same restart.
    const std::string foreign = "C:\\FOREIGN.DLL=C:\\WINDOWS\\TEMP\\FOREIGN.NEW";
    writeFile(restartFile, "[rename]\r\n" + foreign + "\r\n");
    installOld(false);
    ASSERT_EQ(0u, deploy(program, true, 0, false, true));
    std::vector<std::string> expected = {foreign}; // and exactly twelve deletion lines
    for (int row = 0; row < 12; ++row)
        expected.push_back("NUL=" + (row ? shortPath(installed(row, false))
                                         : shortPath(windows) + "\\_zelu000.exe"));
    EXPECT_EQ(expected, restartLines());
    for (int row = 1; row < 12; ++row)
        EXPECT_EQ("old", readFile(installed(row, false))) << row;

    DeleteFileA(restartFile.c_str());
    ASSERT_EQ(0u, deploy(program, false, 0, false, true));
    for (int row = 1; row < 12; ++row)
        EXPECT_FALSE(exists(installed(row, false))) << row;
    EXPECT_EQ(std::vector<std::string>{"NUL=" + shortPath(windows) + "\\_zelu000.exe"},
              restartLines());
    EXPECT_TRUE(pendingOperations().empty());
}

TEST(CreateFolderPath, CreatesMissingLevelsAndFailsWhereNoFolderCanBe) {
    std::string base = tempFolder() + "zelfiles folders";
    std::string three = base + "\\one\\two\\three";
    ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
    EXPECT_TRUE(createFolderPath(three.c_str()));
    EXPECT_TRUE(GetFileAttributesA(three.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(createFolderPath(three.c_str())) << "existing folder";

    // A relative name without a backslash whose parent is missing has no level to go up to.
    EXPECT_FALSE(createFolderPath("zelfiles-missing/child"));
    EXPECT_FALSE(exists("zelfiles-missing"));
    writeFile(base + "\\file", "");
    EXPECT_FALSE(createFolderPath((base + "\\file").c_str())) << "a file is no folder";
    EXPECT_FALSE(createFolderPath((base + "\\" + std::string(300, 'x')).c_str()));
    removeTree(base);
}

TEST(SecureStagedFile, AdministratorsOwnTheFileEveryoneReadsAndRunsIt) {
    using securitydoubles::securityCalls;
    std::string file = tempFolder() + "zelfiles secured.dat";
    writeFile(file, "staged");
    securityCalls.clear();
    EXPECT_TRUE(secureStagedFile(file.c_str()));
    const std::string everyone = "S-1-1-0", administrators = "S-1-5-32-544";
    auto entry = [](DWORD access, TRUSTEE_TYPE type, const std::string& sid) {
        return "{0x" + std::string(access == GENERIC_ALL ? "10000000" : "A0000000") + " mode " +
               std::to_string(SET_ACCESS) + " inheritance " + std::to_string(NO_INHERITANCE) +
               " form " + std::to_string(TRUSTEE_IS_SID) + " type " + std::to_string(type) + " " +
               sid + "}";
    };
    std::vector<std::string> expected = {
        "AllocateAndInitializeSid(" + everyone + ")",
        "AllocateAndInitializeSid(" + administrators + ")",
        "SetEntriesInAclA(2, " +
            entry(GENERIC_READ | GENERIC_EXECUTE, TRUSTEE_IS_WELL_KNOWN_GROUP, everyone) + ", " +
            entry(GENERIC_ALL, TRUSTEE_IS_GROUP, administrators) + ", old null)",
        "SetNamedSecurityInfoA(" + file + ", type " + std::to_string(SE_FILE_OBJECT) +
            ", information 7, owner " + administrators + ", group " + administrators +
            ", dacl new, sacl null)"};
    ASSERT_LE(expected.size(), securityCalls.size());
    EXPECT_EQ(expected, std::vector<std::string>(securityCalls.begin(), securityCalls.begin() + 4));
    // Then everything is freed, in any order.
    std::vector<std::string> freed(securityCalls.begin() + 4, securityCalls.end());
    std::sort(freed.begin(), freed.end());
    EXPECT_EQ((std::vector<std::string>{"FreeSid(" + everyone + ")",
                                        "FreeSid(" + administrators + ")", "LocalFree(new acl)"}),
              freed);

    DeleteFileA(file.c_str());
    EXPECT_FALSE(secureStagedFile(file.c_str()));
}

} // namespace
