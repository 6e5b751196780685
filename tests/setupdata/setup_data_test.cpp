// Finding, loading and reading the setup data, from real media folders under Wine: the probe
// program is copied into each folder and run there, as setup.exe runs from its media.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "tests/files/files_test_support.h"

namespace {

using filestest::ownFolder;
using filestest::removeTree;
using filestest::writeFile;

// A media folder holding the probe and whatever files a test puts there.
struct Media {
    std::string folder;
    // suffix: added to the folder's name.
    explicit Media(const std::string& suffix = "") {
        static int serial;
        folder = filestest::tempFolder() + "zel_media_" + std::to_string(GetCurrentProcessId()) +
                 "_" + std::to_string(++serial) + suffix;
        removeTree(folder);
        CreateDirectoryA(folder.c_str(), nullptr);
        CopyFileA((ownFolder() + "\\setupdata_probe.exe").c_str(),
                  (folder + "\\setupdata_probe.exe").c_str(), FALSE);
    }
    ~Media() { removeTree(folder); }
    std::string path(const std::string& name) const { return folder + "\\" + name; }
    void put(const std::string& name, const std::string& contents) const {
        writeFile(path(name), contents);
    }
};

using Report = std::map<std::string, std::string>;

// Wine starts a child with the Unix locale of its parent, whatever its environment block says:
// the probes run on the German system that ctest gives this test.
Report runProbe(const Media& media, const std::string& arguments) {
    std::string report = media.path("report.txt");
    DeleteFileA(report.c_str());
    std::string program = media.path("setupdata_probe.exe");
    std::string line = "\"" + program + "\" \"" + report + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    Report result;
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        media.folder.c_str(), &startup, &process))
        return result;
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::ifstream in(report);
    for (std::string text; std::getline(in, text);)
        result[text.substr(0, text.find('='))] = text.substr(text.find('=') + 1);
    return result;
}

std::string programFilesDir() {
    char value[MAX_PATH] = "";
    DWORD size = sizeof value - 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr, (BYTE*)value, &size);
        RegCloseKey(key);
    }
    return value;
}

const char SetupData[] = "[INIT]\r\n"
                         "TARGET=Kestrane\\Tools\r\n"
                         "GROUP=Kestrane\r\n"
                         "DEFAULTSEARCH=C:\\A;C:\\B\r\n"
                         "DOWNLOAD=\\DRIVERS\r\n"
                         "[RADAR]\r\n"
                         "FILE=radar.exe\r\n";
const char ReleaseFile[] = "[ZEL]\r\nXRELEASE=1\r\n[RELEASE]\r\nNAME=Quolen Ini\r\n"
                           "VERSION=1.04.0000\r\n";

std::string catalog(const std::string& title) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<build><zel id=\"QUOLEN\"><xrelease><release id=\"RELEASE\">"
           "<title>" +
           title + "</title><version>2.00.0000</version></release></xrelease></zel></build>\n";
}

TEST(LoadSetupData, UninstallNeedsNoFilesAndStillSetsTheLanguage) {
    Media media;
    Report r = runProbe(media, "/U");
    EXPECT_EQ("1", r["load"]);
    EXPECT_EQ("0407", r["systemLanguage"]);
    EXPECT_EQ("0007", r["systemLanguagePrimary"]);
    EXPECT_EQ("", r["setupDataPath"]);
}

TEST(LoadSetupData, LooksInItsOwnFolderOnly) {
    // A ";" in the media folder's name is no list separator: the folder named like the part
    // before it holds other setup data.
    Media media(";media");
    media.put("ZelSetup.dat", SetupData);
    media.put("Quolen.zel", ReleaseFile);
    std::string decoy = media.folder.substr(0, media.folder.find(';'));
    CreateDirectoryA(decoy.c_str(), nullptr);
    writeFile(decoy + "\\ZelSetup.dat", SetupData);
    writeFile(decoy + "\\Quolen.zel",
              "[ZEL]\r\nXRELEASE=1\r\n[RELEASE]\r\nNAME=Decoy\r\nVERSION=9\r\n");
    Report r = runProbe(media, "readers");
    removeTree(decoy);
    EXPECT_EQ("1", r["load"]);
    EXPECT_EQ(media.path("ZelSetup.dat"), r["setupDataPath"]);
    EXPECT_EQ("1:Quolen Ini:1.04.0000", r["release"]);
}

TEST(LoadSetupData, ReleaseFileWinsAndTheCatalogIsNeverOpened) {
    Media media;
    media.put("ZelSetup.dat", SetupData);
    media.put("Quolen.zel", ReleaseFile);
    media.put("NRXZEL.xml", "not a catalog");
    // Held without sharing: opening it would fail the load.
    HANDLE held = CreateFileA(media.path("NRXZEL.xml").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    Report r = runProbe(media, "readers");
    CloseHandle(held);
    EXPECT_EQ("1", r["load"]);
    EXPECT_EQ("0", r["catalogMode"]);
    EXPECT_EQ(media.path("ZelSetup.dat"), r["setupDataPath"]);
    EXPECT_EQ(media.path("Quolen.zel"), r["releaseSourcePath"]);
    EXPECT_EQ("1:Quolen Ini:1.04.0000", r["release"]);
}

TEST(LoadSetupData, CatalogIsUsedWhenTheReleaseFileIsNotOne) {
    for (const char* releaseFile : {"[ZEL]\r\nOTHER=1\r\n", "[ZEL]\r\nXRELEASE=\r\n"}) {
        Media media;
        // [RELEASE] keys of either INI file are ignored when the catalog is in use.
        media.put("ZelSetup.dat", std::string(SetupData) + "[RELEASE]\r\nNAME=Wrong\r\n");
        media.put("Quolen.zel", std::string(releaseFile) + "[RELEASE]\r\nNAME=Wrong\r\n");
        media.put("NRXZEL.xml", catalog("Quolen Catalog"));
        Report r = runProbe(media, "readers");
        EXPECT_EQ("1", r["load"]) << releaseFile;
        EXPECT_EQ("1", r["catalogMode"]);
        EXPECT_EQ(media.path("NRXZEL.xml"), r["releaseSourcePath"]);
        EXPECT_EQ("1:Quolen Catalog:2.00.0000", r["release"]);
    }

    Media folderRelease; // a folder named like the release file is none
    folderRelease.put("ZelSetup.dat", SetupData);
    CreateDirectoryA(folderRelease.path("Quolen.zel").c_str(), nullptr);
    folderRelease.put("NRXZEL.xml", catalog("Quolen Catalog"));
    EXPECT_EQ("1", runProbe(folderRelease, "")["catalogMode"]);

    // An empty title is a missing name, not a product without one.
    Media emptyTitle;
    emptyTitle.put("ZelSetup.dat", SetupData);
    emptyTitle.put("NRXZEL.xml", catalog(""));
    Report r = runProbe(emptyTitle, "readers");
    EXPECT_EQ("1", r["load"]);
    EXPECT_EQ("0::", r["release"]);
}

TEST(LoadSetupData, MissingOrUnusableSourcesFailTheLoad) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> files;
    } cases[] = {
        {"no setup data", {{"Quolen.zel", ReleaseFile}}},
        {"no release source", {{"ZelSetup.dat", SetupData}}},
        {"release file without XRELEASE, no catalog",
         {{"ZelSetup.dat", SetupData}, {"Quolen.zel", "[RELEASE]\r\nNAME=X\r\n"}}},
        {"catalog of 0 bytes", {{"ZelSetup.dat", SetupData}, {"NRXZEL.xml", ""}}},
        {"truncated catalog",
         {{"ZelSetup.dat", SetupData}, {"NRXZEL.xml", catalog("Cut").substr(0, 90)}}},
        {"single-quoted catalog",
         {{"ZelSetup.dat", SetupData}, {"NRXZEL.xml", "<?xml version='1.0'?><a>x</a>\n<b/>"}}},
    };
    for (const Case& c : cases) {
        Media media;
        for (const auto& [name, contents] : c.files)
            media.put(name, contents);
        Report r = runProbe(media, "");
        EXPECT_EQ("0", r["load"]) << c.what;
        EXPECT_EQ("0", r["catalog"]) << c.what;
    }

    // Folders named like the files are not the files.
    Media folderCatalog;
    folderCatalog.put("ZelSetup.dat", SetupData);
    CreateDirectoryA(folderCatalog.path("NRXZEL.xml").c_str(), nullptr);
    EXPECT_EQ("0", runProbe(folderCatalog, "")["load"]) << "a catalog that is a folder";
    Media folderSetupData;
    CreateDirectoryA(folderSetupData.path("ZelSetup.dat").c_str(), nullptr);
    folderSetupData.put("Quolen.zel", ReleaseFile);
    EXPECT_EQ("0", runProbe(folderSetupData, "")["load"]) << "setup data that is a folder";
}

TEST(LoadSetupData, CatalogsOfAnySizeAreReadWhole) {
    // The title comes last, so that it is only found when every byte was read.
    std::string head = "<?xml version=\"1.0\"?>\n<build><zel id=\"QUOLEN\"><xrelease>"
                       "<release id=\"RELEASE\"><!--";
    std::string middle = "--><version>1</version><title>";
    std::string tail = "</title></release></xrelease></zel></build>\n";
    for (size_t size : {260u, 261u, 520u, 100000u}) {
        std::string title = "T" + std::to_string(size);
        std::string padding(size - head.size() - middle.size() - tail.size() - title.size(), ' ');
        std::string text = head + padding + middle + title + tail;
        ASSERT_EQ(size, text.size());
        Media media;
        media.put("ZelSetup.dat", SetupData);
        media.put("NRXZEL.xml", text);
        Report r = runProbe(media, "readers");
        EXPECT_EQ("1", r["load"]) << size;
        EXPECT_EQ("1:" + title + ":1", r["release"]) << size;
    }
}

TEST(ReadSetupString, ReferencesResolveByTheSystemLanguageOnce) {
    Media media;
    media.put("ZelSetup.dat", "[INIT]\r\n"
                              "FULL=%DIR%\r\nPRIMARY=%ONLY7%\r\nNEUTRAL=%ONLYN%\r\n"
                              "OPEN=%DIR\r\nCLOSE=DIR%\r\nLONE=%\r\nNOWHERE=%NONE%\r\n"
                              "TWICE=%AGAIN%\r\nPLAIN=Werkzeuge\r\n"
                              "[STRINGS.0407]\r\nDIR=Werkzeuge\r\nAGAIN=%DIR%\r\n"
                              "[STRINGS.040C]\r\nDIR=Outils\r\n"
                              "[STRINGS.0007]\r\nDIR=Wrong\r\nONLY7=X\r\n"
                              "[STRINGS]\r\nDIR=Wrong\r\nONLY7=Wrong\r\nONLYN=Y\r\n");
    media.put("Quolen.zel", ReleaseFile);
    std::string keys;
    for (const char* key :
         {"FULL", "PRIMARY", "NEUTRAL", "OPEN", "CLOSE", "LONE", "NOWHERE", "TWICE", "PLAIN"})
        keys += std::string(" string:INIT:") + key;
    Report r = runProbe(media, keys);
    // The run of this test for a French user (ZEL_USER_LANGUAGE) is that, on a German system.
    const char* user = getenv("ZEL_USER_LANGUAGE");
    EXPECT_EQ(user ? user : "0407", r["userLanguage"]);
    EXPECT_EQ("0407", r["systemLanguage"]);
    EXPECT_EQ("9:Werkzeuge", r["string:INIT:FULL"]);
    EXPECT_EQ("1:X", r["string:INIT:PRIMARY"]);
    EXPECT_EQ("1:Y", r["string:INIT:NEUTRAL"]);
    EXPECT_EQ("4:%DIR", r["string:INIT:OPEN"]);
    EXPECT_EQ("4:DIR%", r["string:INIT:CLOSE"]);
    EXPECT_EQ("0:", r["string:INIT:LONE"]) << "a lone % reads as missing, output empty";
    EXPECT_EQ("0:", r["string:INIT:NOWHERE"]);
    EXPECT_EQ("5:%DIR%", r["string:INIT:TWICE"]) << "resolved once only";
    Report missing = runProbe(media, "string:INIT:MISSING");
    EXPECT_EQ("0:(untouched)", missing["string:INIT:MISSING"]) << "a missing value writes nothing";
}

// Wine's per-program settings for the probe: the Windows version it reports, and the media's
// own unicows.dll in place of Wine's builtin one.
class WineVersion {
  public:
    explicit WineVersion(const char* version) {
        RegCreateKeyExA(HKEY_CURRENT_USER, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr);
        RegSetValueExA(key_, "Version", 0, REG_SZ, (const BYTE*)version,
                       (DWORD)strlen(version) + 1);
        HKEY overrides;
        RegCreateKeyExA(key_, "DllOverrides", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &overrides,
                        nullptr);
        RegSetValueExA(overrides, "unicows", 0, REG_SZ, (const BYTE*)"native", 7);
        RegCloseKey(overrides);
    }
    ~WineVersion() {
        RegDeleteKeyA(key_, "DllOverrides");
        RegCloseKey(key_);
        RegDeleteKeyA(HKEY_CURRENT_USER, Key);
    }

  private:
    static constexpr const char* Key = "Software\\Wine\\AppDefaults\\setupdata_probe.exe";
    HKEY key_ = nullptr;
};

TEST(ReadMenuDir, GroupRulesOnBothFamilies) {
    struct Family {
        const char* version;
        const char* programs;
        const char* startMenu;
    };
    char commonPrograms[MAX_PATH], commonStart[MAX_PATH], programs[MAX_PATH], start[MAX_PATH];
    // The folders Wine reports, asked of the same service the reader uses.
    typedef HRESULT(WINAPI * GetFolder)(HWND, int, HANDLE, DWORD, LPSTR);
    GetFolder getFolder =
        (GetFolder)(void*)GetProcAddress(LoadLibraryA("shell32.dll"), "SHGetFolderPathA");
    getFolder(nullptr, 0x17, nullptr, 0, commonPrograms);
    getFolder(nullptr, 0x16, nullptr, 0, commonStart);
    getFolder(nullptr, 0x02, nullptr, 0, programs);
    getFolder(nullptr, 0x0B, nullptr, 0, start);
    for (Family family :
         {Family{"", commonPrograms, commonStart}, Family{"win98", programs, start}}) {
        std::unique_ptr<WineVersion> mode;
        if (*family.version)
            mode.reset(new WineVersion(family.version));
        struct Case {
            const char* group;
            std::string expected;
        } cases[] = {
            {".", family.programs},
            {".ignored", family.programs},
            {"\\", family.startMenu},
            {"\\Tools", std::string(family.startMenu) + "\\Tools"},
            {"Tools", std::string(family.programs) + "\\Tools"},
        };
        for (const Case& c : cases) {
            Media media;
            media.put("ZelSetup.dat", std::string("[INIT]\r\nGROUP=") + c.group + "\r\n");
            media.put("Quolen.zel", ReleaseFile);
            CopyFileA((ownFolder() + "\\unicows.dll").c_str(), media.path("unicows.dll").c_str(),
                      FALSE);
            Report r = runProbe(media, "readers");
            EXPECT_EQ("1", r["load"]) << family.version;
            EXPECT_EQ("1:" + c.expected, r["menu"]) << c.group << " " << family.version;
        }
    }
}

TEST(ReadMenuDir, FailsWhenTheShellCannotNameTheFolder) {
    for (const char* group : {".", "\\", "\\Tools", "Tools"}) {
        Media media;
        media.put("ZelSetup.dat", std::string("[INIT]\r\nGROUP=") + group + "\r\n");
        media.put("Quolen.zel", ReleaseFile);
        EXPECT_EQ("0:", runProbe(media, "shellfails readers")["menu"]) << group;
    }
}

TEST(SetupReaders, TargetRadarAndListsFromTheSetupData) {
    std::string programFiles = programFilesDir();
    struct Case {
        const char* radar;
        const char* kind;
    } radarCases[] = {
        {"[RADAR]\r\nFILE=radar.exe\r\nALTFILE=alt.exe\r\n", "1"},
        {"[RADAR]\r\nFILE=.\r\nALTFILE=radar.exe\r\n", "2"},
        {"[RADAR]\r\nFILE=.off\r\nALTFILE=.off\r\n", "0"},
        {"", "0"},
    };
    for (const Case& c : radarCases) {
        Media media;
        media.put("ZelSetup.dat",
                  std::string("[INIT]\r\nTARGET=Kestrane\\Tools\r\nGROUP=G\r\n"
                              "DEFAULTSEARCH=C:\\A;;C:\\B\r\nDOWNLOAD=\\D1;\\D2\r\n") +
                      c.radar);
        media.put("Quolen.zel", ReleaseFile);
        Report r = runProbe(media, "readers");
        EXPECT_EQ(c.kind, r["radar"]) << c.radar;
        EXPECT_EQ(std::string("14:") + programFiles + "\\Kestrane\\Tools", r["target"]);
        EXPECT_EQ("10:C:\\A;;C:\\B", r["defaultSearch"]);
        EXPECT_EQ("7:\\D1;\\D2", r["download"]);
    }
}

TEST(SetupReaders, TooLongTargetOrGroupFailsInsteadOfBeingCut) {
    std::string programFiles = programFilesDir();
    size_t room = 259 - programFiles.size() - 1; // the longest TARGET that still fits
    for (size_t length : {room, room + 1}) {
        Media media;
        std::string target(length, 't');
        media.put("ZelSetup.dat", "[INIT]\r\nTARGET=" + target +
                                      "\r\nGROUP=" + std::string(length + 40, 'g') + "\r\n");
        media.put("Quolen.zel", ReleaseFile);
        Report r = runProbe(media, "readers");
        if (length == room)
            EXPECT_EQ(std::to_string(length) + ":" + programFiles + "\\" + target, r["target"]);
        else
            EXPECT_EQ("0:", r["target"]);
        EXPECT_EQ("0:", r["menu"]) << "the group is too long for any Programs folder";
    }
}

TEST(LoadSetupData, NineXFamilyLoadsTheUnicodeLayerFromTheMedia) {
    WineVersion win98("win98");
    Media media;
    media.put("ZelSetup.dat", SetupData);
    media.put("Quolen.zel", ReleaseFile);
    CopyFileA((ownFolder() + "\\unicows.dll").c_str(), media.path("unicows.dll").c_str(), FALSE);
    Report r = runProbe(media, "readers");
    EXPECT_EQ("1", r["load"]);
    EXPECT_EQ(media.path("unicows.dll"), r["layer"]);
    EXPECT_EQ("1", r["layerIsStandIn"]);
    EXPECT_EQ("1", r["conversion"]) << "conversions bound through the layer";

    Media withoutLayer;
    withoutLayer.put("ZelSetup.dat", SetupData);
    withoutLayer.put("Quolen.zel", ReleaseFile);
    Report without = runProbe(withoutLayer, "readers");
    EXPECT_EQ("0", without["load"]);
    EXPECT_EQ("0", without["conversion"]) << "no layer, no conversion on the 9x family";
}

} // namespace
