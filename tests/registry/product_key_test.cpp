#include "registry/product_key.h"

#include <string.h>

#include "tests/registry/registry_readback.h"

namespace {

using ProductKey = RegistryState;
const std::string Key = ProductKeyPath;

TEST_F(ProductKey, InstallWritesEveryValueAndUninstallWithoutTextsKeepsInternetFunction) {
    ASSERT_TRUE(writeProgramFolder("C:\\Kestrane", Install));
    ASSERT_TRUE(writeInstalledRelease("Kestrane Software Installer", "01030000", Install));
    ASSERT_TRUE(writeMenuFolder("C:\\Menu", Install));
    ASSERT_TRUE(writeDownloadSettings(0x12345678, "C:\\DRIVERS", Install));
    EXPECT_EQ(sz("C:\\Kestrane"), stored(Key, "ProgDir"));
    EXPECT_EQ(sz("C:\\Kestrane\\Quolen.exe"), stored(Key, ""));
    EXPECT_EQ(sz("Kestrane Software Installer"), stored(Key, "Name"));
    EXPECT_EQ(sz("01030000"), stored(Key, "Version")); // stored as given, shown reformatted
    EXPECT_EQ(sz("C:\\Menu"), stored(Key, "MenuDir"));
    EXPECT_EQ(sz("C:\\DRIVERS"), stored(Key, "DownloadDir"));
    EXPECT_EQ(dword(0x12345678), stored(Key, "InternetFunction"));

    char text[260], version[260];
    DWORD number = 0, size = sizeof text;
    EXPECT_TRUE(readProgramFolder(text) && !strcmp(text, "C:\\Kestrane"));
    EXPECT_TRUE(readInstalledRelease(text, version) && !strcmp(version, "1.03.0000"));
    EXPECT_STREQ("Kestrane Software Installer", text);
    EXPECT_TRUE(readMenuFolder(text) && !strcmp(text, "C:\\Menu"));
    EXPECT_TRUE(readInternetFunction(&number) && number == 0x12345678);
    EXPECT_TRUE(readProgramExe(text, &size) && !strcmp(text, "C:\\Kestrane\\Quolen.exe"));
    EXPECT_EQ(strlen(text) + 1, size);

    store(Key, "ProxyServer", sz("proxy:8080"));
    EXPECT_TRUE(writeProgramFolder(nullptr, 0));
    EXPECT_TRUE(writeInstalledRelease(nullptr, nullptr, 0));
    EXPECT_TRUE(writeMenuFolder(nullptr, 0));
    EXPECT_TRUE(writeDownloadSettings(0, nullptr, 0));
    for (const char* name :
         {"", "ProgDir", "Name", "Version", "MenuDir", "DownloadDir", "ProxyServer"})
        EXPECT_EQ("absent", stored(Key, name)) << name;
    EXPECT_EQ(dword(0x12345678), stored(Key, "InternetFunction"));
}

TEST_F(ProductKey, OnlyTheProgramFolderCreatesTheKeyAndAFailedFirstStepStopsTheSecond) {
    EXPECT_FALSE(writeInstalledRelease("Kestrane", "01030000", Install));
    EXPECT_FALSE(writeMenuFolder("C:\\Menu", Install));
    EXPECT_FALSE(writeDownloadSettings(1, "C:\\DRIVERS", Install));
    EXPECT_FALSE(writeProgramFolder(nullptr, Install));
    EXPECT_EQ(-1, subkeys(Key));

    store(Key, "ProgDir", sz("C:\\Kestrane")); // no default value
    store(Key, "Version", sz("01030000"));     // no Name
    EXPECT_FALSE(writeProgramFolder(nullptr, 0));
    EXPECT_FALSE(writeInstalledRelease(nullptr, nullptr, 0));
    EXPECT_EQ(sz("C:\\Kestrane"), stored(Key, "ProgDir"));
    EXPECT_EQ(sz("01030000"), stored(Key, "Version"));
}

TEST_F(ProductKey, DownloadFolderStaysOnInstallAndProxyGoesOnUninstall) {
    store(Key, "DownloadDir", sz("D:\\Chosen"));
    store(Key, "InternetFunction", dword(5));
    EXPECT_TRUE(writeDownloadSettings(0, "C:\\DRIVERS", Install));
    EXPECT_EQ(sz("D:\\Chosen"), stored(Key, "DownloadDir"));
    EXPECT_EQ(dword(0), stored(Key, "InternetFunction"));

    EXPECT_TRUE(writeDownloadSettings(0, nullptr, 0));
    store(Key, "ProxyServer", sz("proxy:8080"));
    EXPECT_FALSE(writeDownloadSettings(0, nullptr, 0)); // no DownloadDir any more
    EXPECT_EQ("absent", stored(Key, "ProxyServer"));
    EXPECT_FALSE(writeDownloadSettings(9, nullptr, Install)); // no folder to write: stops
    EXPECT_EQ(dword(0), stored(Key, "InternetFunction"));
}

// The display rules themselves are the version display's; here only that the read applies them.
TEST_F(ProductKey, ReadVersionIsShownReformattedWhenItIsEightHexDigits) {
    store(Key, "Name", sz("Kestrane"));
    const char* cases[][2] = {{"ffffffff", "FF.FF.FFFF"}, {"0103000G", "0103000G"}};
    for (auto& c : cases) {
        char name[260], version[260];
        store(Key, "Version", sz(c[0]));
        EXPECT_TRUE(readInstalledRelease(name, version));
        EXPECT_STREQ(c[1], version) << c[0];
    }
}

TEST_F(ProductKey, ProgramFolderOf248CharactersFillsTheDefaultValueExactly) {
    std::string folder = "C:\\" + std::string(245, 'f');
    ASSERT_TRUE(writeProgramFolder(folder.c_str(), Install));
    EXPECT_EQ(sz(folder + "\\Quolen.exe"), stored(Key, "")); // 259 characters and the NUL
    char text[260];
    DWORD size = 259;
    EXPECT_FALSE(readProgramExe(text, &size));
    // One character more is refused before anything is written or created.
    EXPECT_FALSE(writeProgramFolder((folder + "g").c_str(), Install));
    EXPECT_EQ(sz(folder), stored(Key, "ProgDir"));
    RegistryState::clean();
    EXPECT_FALSE(writeProgramFolder((folder + "g").c_str(), Install));
    EXPECT_EQ(-1, subkeys(Key));
}

TEST_F(ProductKey, ValuesThatDoNotFitTheirBufferFailAndLeaveItAlone) {
    char text[260] = "untouched", name[260];
    DWORD number = 7, size = sizeof text;
    store(Key, "ProgDir", raw(REG_SZ, std::string(260, 'p'))); // no room for a NUL
    store(Key, "MenuDir", sz(std::string(260, 'm')));
    store(Key, "", raw(REG_SZ, std::string(260, 'q')));
    store(Key, "Name", sz("Kestrane"));
    store(Key, "Version", sz(std::string(300, '1')));
    store(Key, "InternetFunction", raw(REG_BINARY, "\x01\x02"));
    EXPECT_FALSE(readProgramFolder(text));
    EXPECT_FALSE(readMenuFolder(text));
    EXPECT_FALSE(readProgramExe(text, &size));
    EXPECT_FALSE(readInstalledRelease(name, text));
    EXPECT_FALSE(readInternetFunction(&number));
    EXPECT_FALSE(readCurrentVersionValue("ProgramFilesDir", text, 4));
    EXPECT_STREQ("untouched", text);
    EXPECT_EQ(7u, number);

    store(Key, "ProgDir", sz(std::string(259, 'p')));
    store(Key, "MenuDir", raw(REG_SZ, "abc")); // stored without its NUL
    EXPECT_TRUE(readProgramFolder(text) && text == std::string(259, 'p'));
    EXPECT_TRUE(readMenuFolder(text) && !strcmp(text, "abc"));
    std::string programFiles =
        stored("Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
    EXPECT_TRUE(readCurrentVersionValue("ProgramFilesDir", text, sizeof text));
    EXPECT_EQ(programFiles, sz(text));
}

} // namespace
