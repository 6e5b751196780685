#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "registry/product_key.h"
#include "tests/registry/registry_readback.h"

namespace {

const char Key[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";

class ProductKey : public ::testing::Test {
  protected:
    void SetUp() override { removeTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NRX"); }
    void TearDown() override { removeTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NRX"); }
};

std::string displayed(const char* stored) {
    EXPECT_TRUE(writeInstalledRelease("Kestrane", stored, Install));
    EXPECT_TRUE(storedText(Key, "Version", stored)); // the stored text is never reformatted
    char name[260] = "";
    char version[260] = "";
    EXPECT_TRUE(readInstalledRelease(name, version));
    EXPECT_STREQ("Kestrane", name);
    return version;
}

TEST_F(ProductKey, InstallWritesEveryValueAndUninstallRemovesAllButInternetFunction) {
    const char folder[] = "C:\\Program Files\\Kestrane";
    ASSERT_TRUE(writeProgramFolder(folder, Install));
    EXPECT_TRUE(storedText(Key, "ProgDir", folder));
    EXPECT_TRUE(storedText(Key, "", "C:\\Program Files\\Kestrane\\Quolen.exe"));
    ASSERT_TRUE(writeInstalledRelease("Kestrane Software Installer", "01030000", Install));
    EXPECT_TRUE(storedText(Key, "Name", "Kestrane Software Installer"));
    EXPECT_TRUE(storedText(Key, "Version", "01030000"));
    ASSERT_TRUE(writeMenuFolder("C:\\Menu\\Kestrane", Install));
    EXPECT_TRUE(storedText(Key, "MenuDir", "C:\\Menu\\Kestrane"));
    ASSERT_TRUE(writeDownloadSettings(0x12345678, "C:\\DRIVERS", Install));
    EXPECT_TRUE(storedText(Key, "DownloadDir", "C:\\DRIVERS"));
    EXPECT_TRUE(storedNumber(Key, "InternetFunction", 0x12345678));

    char buffer[260];
    char version[260];
    ASSERT_TRUE(readProgramFolder(buffer));
    EXPECT_STREQ(folder, buffer);
    ASSERT_TRUE(readInstalledRelease(buffer, version));
    EXPECT_STREQ("Kestrane Software Installer", buffer);
    EXPECT_STREQ("1.03.0000", version);
    ASSERT_TRUE(readMenuFolder(buffer));
    EXPECT_STREQ("C:\\Menu\\Kestrane", buffer);
    DWORD number = 0;
    ASSERT_TRUE(readInternetFunction(&number));
    EXPECT_EQ(0x12345678u, number);
    DWORD size = sizeof buffer;
    ASSERT_TRUE(readProgramExe(buffer, &size));
    EXPECT_STREQ("C:\\Program Files\\Kestrane\\Quolen.exe", buffer);
    EXPECT_EQ(strlen(buffer) + 1, size);

    // The uninstall run passes no texts at all.
    storeText(Key, "ProxyServer", "proxy:8080");
    EXPECT_TRUE(writeProgramFolder(nullptr, 0));
    EXPECT_TRUE(writeInstalledRelease(nullptr, nullptr, 0));
    EXPECT_TRUE(writeMenuFolder(nullptr, 0));
    EXPECT_TRUE(writeDownloadSettings(0, nullptr, 0));
    for (const char* name :
         {"", "ProgDir", "Name", "Version", "MenuDir", "DownloadDir", "ProxyServer"})
        EXPECT_TRUE(absentValue(Key, name));
    EXPECT_TRUE(storedNumber(Key, "InternetFunction", 0x12345678));
    EXPECT_FALSE(readProgramFolder(buffer));
}

TEST_F(ProductKey, OnlyTheProgramFolderCreatesTheKey) {
    char name[260] = "untouched";
    char version[260] = "untouched";
    DWORD number = 7;
    EXPECT_FALSE(writeInstalledRelease("Kestrane", "01030000", Install));
    EXPECT_FALSE(writeMenuFolder("C:\\Menu", Install));
    EXPECT_FALSE(writeDownloadSettings(1, "C:\\DRIVERS", Install));
    for (RunFlags flags : {0u, (RunFlags)Install})
        EXPECT_FALSE(writeProgramFolder(nullptr, flags)); // no folder to write, nothing to remove
    EXPECT_FALSE(keyExists(Key));
    EXPECT_FALSE(readProgramFolder(name));
    EXPECT_FALSE(readInstalledRelease(name, version));
    EXPECT_FALSE(readMenuFolder(name));
    EXPECT_FALSE(readInternetFunction(&number));
    EXPECT_STREQ("untouched", name);
    EXPECT_STREQ("untouched", version);
    EXPECT_EQ(7u, number);
}

TEST_F(ProductKey, FailedFirstRemovalKeepsTheSecondValue) {
    storeText(Key, "ProgDir", "C:\\Kestrane"); // no default value
    EXPECT_FALSE(writeProgramFolder(nullptr, 0));
    EXPECT_TRUE(storedText(Key, "ProgDir", "C:\\Kestrane"));
    storeText(Key, "Version", "01030000"); // no Name
    EXPECT_FALSE(writeInstalledRelease(nullptr, nullptr, 0));
    EXPECT_TRUE(storedText(Key, "Version", "01030000"));
    EXPECT_FALSE(writeMenuFolder(nullptr, 0));
}

TEST_F(ProductKey, DownloadFolderIsKeptOnInstallAndProxyGoesOnUninstall) {
    storeText(Key, "DownloadDir", "D:\\Chosen");
    storeNumber(Key, "InternetFunction", 5);
    EXPECT_TRUE(writeDownloadSettings(0, "C:\\DRIVERS", Install));
    EXPECT_TRUE(storedText(Key, "DownloadDir", "D:\\Chosen"));
    EXPECT_TRUE(storedNumber(Key, "InternetFunction", 0));
    // An existing folder needs no new one.
    EXPECT_TRUE(writeDownloadSettings(3, nullptr, Install));
    EXPECT_TRUE(storedNumber(Key, "InternetFunction", 3));

    EXPECT_TRUE(writeDownloadSettings(0, nullptr, 0));
    EXPECT_TRUE(absentValue(Key, "DownloadDir"));
    storeText(Key, "ProxyServer", "proxy:8080");
    EXPECT_FALSE(writeDownloadSettings(0, nullptr, 0)); // no DownloadDir left to delete
    EXPECT_TRUE(absentValue(Key, "ProxyServer"));
    EXPECT_TRUE(storedNumber(Key, "InternetFunction", 3));

    // Without a folder to write, InternetFunction is not reached.
    EXPECT_FALSE(writeDownloadSettings(9, nullptr, Install));
    EXPECT_TRUE(storedNumber(Key, "InternetFunction", 3));
}

TEST_F(ProductKey, EightHexDigitVersionsAreShownAsMajorMinorBuild) {
    storeText(Key, "ProgDir", "C:\\Kestrane");
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"01030000", "1.03.0000"}, {"0300001A", "3.00.001A"},  {"0A0B0C0D", "A.0B.0C0D"},
        {"0a0b0c0d", "A.0B.0C0D"}, {"FFFFFFFF", "FF.FF.FFFF"}, {"00000000", "0.00.0000"},
        {"0103000", "0103000"},    {"1.03.0000", "1.03.0000"}, {"", ""},
        {"V1030000", "V1030000"},  {"0103000G", "0103000G"},   {"1.030000", "1.030000"},
        {" 1030000", " 1030000"},  {"0x103000", "0x103000"},   {"-1030000", "-1030000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.shown, displayed(c.stored)) << "stored " << c.stored;
}

TEST_F(ProductKey, ProgramFolderMustLeaveRoomForTheProgramName) {
    std::string folder = "C:\\" + std::string(245, 'f'); // 248 characters
    ASSERT_TRUE(writeProgramFolder(folder.c_str(), Install));
    std::string programExe = folder + "\\Quolen.exe";
    ASSERT_EQ(259u, programExe.size());
    EXPECT_TRUE(storedText(Key, "", programExe));
    char buffer[260];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(readProgramExe(buffer, &size));
    EXPECT_EQ(programExe, buffer);
    EXPECT_EQ(260u, size);
    size = 259;
    EXPECT_FALSE(readProgramExe(buffer, &size));

    // One more character: refused before anything is written, and no key is created.
    EXPECT_FALSE(writeProgramFolder((folder + "g").c_str(), Install));
    EXPECT_TRUE(storedText(Key, "ProgDir", folder));
    EXPECT_TRUE(storedText(Key, "", programExe));
    removeTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NRX");
    EXPECT_FALSE(writeProgramFolder((folder + "g").c_str(), Install));
    EXPECT_FALSE(keyExists(Key));
}

TEST_F(ProductKey, TextsThatDoNotFitTheirBufferFailInsteadOfBeingCut) {
    char buffer[260];
    memset(buffer, '#', sizeof buffer);
    buffer[259] = '\0';
    const std::string sentinel = buffer;

    storeValue(Key, "ProgDir", REG_SZ, std::string(260, 'p')); // no room left for a NUL
    EXPECT_FALSE(readProgramFolder(buffer));
    storeValue(Key, "ProgDir", REG_SZ, std::string(260, 'p') + '\0');
    EXPECT_FALSE(readProgramFolder(buffer));
    storeValue(Key, "MenuDir", REG_SZ, std::string(300, 'm') + '\0');
    EXPECT_FALSE(readMenuFolder(buffer));
    EXPECT_EQ(sentinel, buffer); // nothing half-copied
    storeText(Key, "Name", "Kestrane");
    storeValue(Key, "Version", REG_SZ, std::string(260, '1'));
    char version[260];
    memcpy(version, sentinel.c_str(), sizeof version);
    EXPECT_FALSE(readInstalledRelease(buffer, version));
    EXPECT_EQ(sentinel, version);
    EXPECT_STREQ("Kestrane", buffer); // read before the version failed
    storeValue(Key, "", REG_SZ, std::string(260, 'q'));
    DWORD size = sizeof buffer;
    EXPECT_FALSE(readProgramExe(buffer, &size));
    EXPECT_EQ(sizeof buffer, size);

    // Exactly full, and stored without a NUL but with room for one.
    storeValue(Key, "ProgDir", REG_SZ, std::string(259, 'p') + '\0');
    ASSERT_TRUE(readProgramFolder(buffer));
    EXPECT_EQ(std::string(259, 'p'), buffer);
    storeValue(Key, "MenuDir", REG_SZ, "abc");
    memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(readMenuFolder(buffer));
    EXPECT_STREQ("abc", buffer);

    // A number shorter than four bytes is no number.
    storeValue(Key, "InternetFunction", REG_BINARY, std::string("\x01\x02", 2));
    DWORD number = 7;
    EXPECT_FALSE(readInternetFunction(&number));
    EXPECT_EQ(7u, number);
}

TEST(CurrentVersion, ProgramFilesFolderReadsLikeTheRegistryHoldsIt) {
    StoredValue stored =
        readBack("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    ASSERT_TRUE(stored.exists);
    char buffer[260];
    ASSERT_TRUE(readCurrentVersionValue("ProgramFilesDir", buffer, sizeof buffer));
    EXPECT_STREQ(stored.data.c_str(), buffer);
    memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(readCurrentVersionValue("ProgramFilesDir", buffer, 4));
    EXPECT_EQ('#', buffer[0]);
    EXPECT_FALSE(readCurrentVersionValue("NoSuchValue", buffer, sizeof buffer));
}

} // namespace
