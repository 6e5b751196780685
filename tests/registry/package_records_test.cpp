#include "registry/package_records.h"

#include "tests/registry/registry_readback.h"

namespace {

using PackageRecords = RegistryState;
const std::string Install = std::string(ProductKeyPath) + "\\Install\\";
const std::string Ones = raw(REG_BINARY, std::string(8, '\x11'));
const std::string Zeros = raw(REG_BINARY, std::string(8, '\0'));
const std::string EmptyList = raw(REG_MULTI_SZ, std::string(1, '\0'));

TEST_F(PackageRecords, WithoutInstallKeyNothingIsCreated) {
    EXPECT_TRUE(refreshPackageRecords());
    EXPECT_EQ(-1, subkeys(ProductKeyPath));
}

TEST_F(PackageRecords, RecordsGetTheCurrentLayoutOnceAndKeepTheirOwnValues) {
    store(Install + "quolen", "Keep", raw(REG_BINARY, "\x01\x02"));
    store(Install + "Seven", "ZEL", dword(7));
    store(Install + "Seven", "RegVersion", raw(REG_MULTI_SZ, std::string("a\0\0", 3)));
    // A number of any other size than four bytes is no layout mark: it is replaced.
    store(Install + "ShortZel", "ZEL", raw(REG_BINARY, std::string("\x07\0", 2)));
    store(Install + "LongZel", "ZEL", raw(REG_BINARY, std::string(8, '\x07')));
    const char* versions[] = {"", "1", "12", "1234"};
    for (const char* version : versions) {
        store(Install + version + "v", "Version", sz(version));
        store(Install + version + "v", "LastUpdate", Ones);
        store(Install + version + "v", "Catalog", dword(1));
    }
    store(Install + "NoVersion", "LastUpdate", Ones);

    auto check = [&] {
        EXPECT_EQ(dword(512), stored(Install + "quolen", "ZEL"));
        EXPECT_EQ(raw(REG_BINARY, "\x01\x02"), stored(Install + "quolen", "Keep"));
        EXPECT_EQ(dword(7), stored(Install + "Seven", "ZEL"));
        EXPECT_EQ(dword(256), stored(Install + "ShortZel", "ZEL"));
        EXPECT_EQ(dword(256), stored(Install + "LongZel", "ZEL"));
        EXPECT_EQ(raw(REG_MULTI_SZ, std::string("a\0\0", 3)),
                  stored(Install + "Seven", "RegVersion"));
        EXPECT_EQ(EmptyList, stored(Install + "Seven", "DeviceInfo"));
        for (const char* version : versions) {
            std::string record = Install + version + "v";
            EXPECT_EQ(dword(256), stored(record, "ZEL"));
            EXPECT_EQ(EmptyList, stored(record, "RegVersion"));
            EXPECT_EQ(EmptyList, stored(record, "DeviceInfo"));
            EXPECT_EQ("absent", stored(record, "Catalog"));
            EXPECT_EQ(strlen(version) <= 2 ? Zeros : Ones, stored(record, "LastUpdate")) << version;
        }
        EXPECT_EQ(Ones, stored(Install + "NoVersion", "LastUpdate"));
        EXPECT_EQ("absent", stored(Install + "quolen", "LastUpdate"));
    };
    ASSERT_TRUE(refreshPackageRecords());
    check();
    store(Install + "1234v", "Catalog", sz("again"));
    ASSERT_TRUE(refreshPackageRecords());
    check();
}

TEST_F(PackageRecords, ValuesAndNamesBeyondTheBuffersAreHandledWhole) {
    // A version longer than the 260-byte buffer is a real version: the record keeps its date.
    store(Install + "Long", "Version", sz(std::string(300, '9')));
    store(Install + "Long", "LastUpdate", Ones);
    // A long record name is enumerated and refreshed (Wine takes at most 260 characters in
    // a whole key path given as ANSI text).
    std::string longest = Install + std::string(200, 'r');
    store(longest, "Version", sz("1"));
    ASSERT_TRUE(refreshPackageRecords());
    EXPECT_EQ(Ones, stored(Install + "Long", "LastUpdate"));
    EXPECT_EQ(dword(256), stored(Install + "Long", "ZEL"));
    EXPECT_EQ(Zeros, stored(longest, "LastUpdate"));
    EXPECT_EQ(dword(256), stored(longest, "ZEL"));
}

} // namespace
