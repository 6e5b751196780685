#include <gtest/gtest.h>

#include <map>
#include <string>

#include "registry/package_records.h"
#include "tests/registry/registry_readback.h"

namespace {

const char InstallKey[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller\\Install";
const std::string EightOnes(8, '\x11');
const std::string EightZeros(8, '\0');

class PackageRecords : public ::testing::Test {
  protected:
    void SetUp() override { removeTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NRX"); }
    void TearDown() override { removeTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NRX"); }
};

std::string record(const char* name) {
    return std::string(InstallKey) + "\\" + name;
}

// Every value of every record, as raw type and bytes.
std::map<std::string, std::pair<DWORD, std::string>> snapshot() {
    std::map<std::string, std::pair<DWORD, std::string>> values;
    HKEY install;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, InstallKey, 0, KEY_READ, &install) != ERROR_SUCCESS)
        return values;
    char name[256];
    for (DWORD index = 0; RegEnumKeyA(install, index, name, sizeof name) == ERROR_SUCCESS;
         ++index) {
        HKEY key;
        if (RegOpenKeyExA(install, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        char valueName[256];
        BYTE data[512];
        DWORD nameLength = sizeof valueName, type, size = sizeof data;
        for (DWORD v = 0; RegEnumValueA(key, v, valueName, &nameLength, nullptr, &type, data,
                                        &size) == ERROR_SUCCESS;
             ++v, nameLength = sizeof valueName, size = sizeof data)
            values[std::string(name) + "/" + valueName] = {type, std::string((char*)data, size)};
        RegCloseKey(key);
    }
    RegCloseKey(install);
    return values;
}

TEST_F(PackageRecords, WithoutInstallKeyNothingIsCreated) {
    EXPECT_TRUE(refreshPackageRecords());
    EXPECT_FALSE(keyExists("SOFTWARE\\NRX"));
    storeText("SOFTWARE\\NRX\\KestraneSoftwareInstaller", "ProgDir", "C:\\Kestrane");
    storeText(InstallKey, "NotARecord", "x"); // an Install key without records
    EXPECT_TRUE(refreshPackageRecords());
    EXPECT_EQ(0u, subkeyCount(InstallKey));
}

TEST_F(PackageRecords, RecordsGetTheCurrentLayoutAndTheirOwnValuesStay) {
    storeValue(record("quolen").c_str(), "Keep", REG_BINARY, "\x01\x02");
    storeNumber(record("Seven").c_str(), "ZEL", 7);
    storeValue(record("Seven").c_str(), "RegVersion", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    storeText(record("Seven").c_str(), "Catalog", "catalog.xml");
    const char* versions[] = {"", "1", "12", "1.00", "123"};
    for (const char* version : versions) {
        std::string name = std::string("V") + std::to_string(strlen(version));
        storeText(record(name.c_str()).c_str(), "Version", version);
        storeValue(record(name.c_str()).c_str(), "LastUpdate", REG_BINARY, EightOnes);
        storeNumber(record(name.c_str()).c_str(), "Catalog", 1);
    }
    storeValue(record("NoVersion").c_str(), "LastUpdate", REG_BINARY, EightOnes);
    storeValue(record("ShortZel").c_str(), "ZEL", REG_BINARY, "\x07");

    ASSERT_TRUE(refreshPackageRecords());
    EXPECT_TRUE(storedNumber(record("quolen").c_str(), "ZEL", 512));
    EXPECT_TRUE(storedNumber(record("Seven").c_str(), "ZEL", 7));
    EXPECT_TRUE(storedNumber(record("V4").c_str(), "ZEL", 256));
    EXPECT_TRUE(storedNumber(record("ShortZel").c_str(), "ZEL", 256)); // not 4 bytes: rewritten
    auto values = snapshot();
    EXPECT_EQ(std::make_pair(DWORD(REG_BINARY), std::string("\x01\x02")), values["quolen/Keep"]);
    EXPECT_EQ(std::make_pair(DWORD(REG_MULTI_SZ), std::string("a\0b\0\0", 5)),
              values["Seven/RegVersion"]);
    const std::pair<DWORD, std::string> emptyList(REG_MULTI_SZ, std::string(1, '\0'));
    for (const char* name : {"quolen", "V0", "V1", "V2", "V4", "V3", "NoVersion", "ShortZel"}) {
        EXPECT_EQ(emptyList, values[std::string(name) + "/RegVersion"]) << name;
        EXPECT_EQ(emptyList, values[std::string(name) + "/DeviceInfo"]) << name;
    }
    for (const char* name : {"quolen", "Seven", "V0", "V1", "V2", "V3", "V4", "NoVersion"})
        EXPECT_EQ(0u, values.count(std::string(name) + "/Catalog")) << name;
    // At most two characters of version: never updated.
    for (const char* name : {"V0", "V1", "V2"})
        EXPECT_EQ(std::make_pair(DWORD(REG_BINARY), EightZeros),
                  values[std::string(name) + "/LastUpdate"])
            << name;
    for (const char* name : {"V3", "V4", "NoVersion"})
        EXPECT_EQ(std::make_pair(DWORD(REG_BINARY), EightOnes),
                  values[std::string(name) + "/LastUpdate"])
            << name;
    EXPECT_EQ(0u, values.count("quolen/LastUpdate"));
    EXPECT_EQ(0u, values.count("quolen/Version"));

    // A second run changes nothing but the Catalog written in between.
    storeText(record("V4").c_str(), "Catalog", "again");
    storeValue(record("V4").c_str(), "LastUpdate", REG_BINARY, EightOnes);
    ASSERT_TRUE(refreshPackageRecords());
    EXPECT_EQ(values, snapshot());
}

TEST_F(PackageRecords, OverlongVersionKeepsLastUpdate) {
    storeText(record("Long").c_str(), "Version", std::string(300, '9'));
    storeValue(record("Long").c_str(), "LastUpdate", REG_BINARY, EightOnes);
    ASSERT_TRUE(refreshPackageRecords());
    EXPECT_EQ(EightOnes, readBack(record("Long").c_str(), "LastUpdate").data);
    EXPECT_TRUE(storedNumber(record("Long").c_str(), "ZEL", 256));
}

} // namespace
