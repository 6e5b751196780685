// Run with the Windows version set to 98 (see unicows_binding_test.sh): the conversion binds
// to the Unicode layer only, and only once that is loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include "xml/text_conversion.h"

namespace {

TEST(UnicowsBinding, NineXFamilyNeedsTheUnicodeLayer) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    ASSERT_TRUE(GetVersionExA(&version));
    ASSERT_EQ(version.dwPlatformId, (DWORD)VER_PLATFORM_WIN32_WINDOWS);
    ASSERT_EQ(GetModuleHandleA("unicows.dll"), nullptr);

    uint32_t size = 0;
    EXPECT_FALSE(bindConversionFunctions());
    EXPECT_FALSE(utf8ToAnsi("abc", nullptr, &size));
    EXPECT_EQ(size, 0u);

    HMODULE layer = LoadLibraryA("unicows.dll");
    ASSERT_NE(layer, nullptr);
    EXPECT_TRUE(bindConversionFunctions());
    char buffer[8];
    size = sizeof buffer;
    EXPECT_TRUE(utf8ToAnsi("abc", buffer, &size));
    EXPECT_STREQ(buffer, "abc");
    FreeLibrary(layer);
}

} // namespace
