// The shown form of a stored release version.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "registry/version_display.h"

namespace {

std::string shown(const std::string& stored) {
    char version[260];
    memset(version, '#', sizeof version);
    memcpy(version, stored.c_str(), stored.size() + 1);
    formatVersionDisplay(version);
    // Only the shown text and its NUL may change, never more than the longest form.
    for (size_t i = std::max<size_t>(stored.size() + 1, 11); i < sizeof version; ++i)
        EXPECT_EQ('#', version[i]) << stored;
    return version;
}

TEST(VersionDisplay, EightHexadecimalDigitsAreMajorMinorAndBuild) {
    EXPECT_EQ("1.03.0000", shown("01030000"));
    EXPECT_EQ("3.00.001A", shown("0300001A"));
    EXPECT_EQ("A.0B.0C0D", shown("0a0b0c0d"));
    EXPECT_EQ("A.0B.0C0D", shown("0A0B0C0D"));
    EXPECT_EQ("FF.FF.FFFF", shown("FFFFFFFF")); // the longest shown form: ten characters
    EXPECT_EQ("FF.FF.FFFF", shown("ffffffff"));
    EXPECT_EQ("0.00.0000", shown("00000000"));
}

TEST(VersionDisplay, AnyOtherTextStaysAsStored) {
    for (const char* stored : {"1.03.0000", "0103000", "010300000", "", "0103000G", " 1030000",
                               "+1030000", "0x010300", " 0x10300", "V1030000", "01 30000"})
        EXPECT_EQ(stored, shown(stored)) << stored;
}

} // namespace
