#include <gtest/gtest.h>

#include <string.h>

#include "tests/catalog/test_document.h"
#include "xml/text_conversion.h"

namespace {

class TextConversion : public ::testing::Test {
  protected:
    void SetUp() override { useWesternCodePage(); }
};

TEST_F(TextConversion, SizeQueryAndExactBuffers) {
    const char* source = "Gr\xC3\xBC\xC3\x9F"
                         "e 1.0";
    uint32_t size = 0;
    ASSERT_TRUE(utf8ToAnsi(source, nullptr, &size));
    EXPECT_EQ(size, 10u);

    char exact[10];
    uint32_t capacity = size;
    ASSERT_TRUE(utf8ToAnsi(source, exact, &capacity));
    EXPECT_STREQ(exact, "Gr\xFC\xDF"
                        "e 1.0");
    EXPECT_EQ(capacity, 10u);

    char shortBuffer[10];
    memset(shortBuffer, 'z', sizeof shortBuffer);
    capacity = size - 1;
    EXPECT_FALSE(utf8ToAnsi(source, shortBuffer, &capacity));
    for (char c : shortBuffer)
        EXPECT_EQ(c, 'z');
    EXPECT_EQ(capacity, 9u);
}

TEST_F(TextConversion, EmptyStringAndAscii) {
    uint32_t size = 0;
    ASSERT_TRUE(utf8ToAnsi("", nullptr, &size));
    EXPECT_EQ(size, 1u);
    char one[1] = {'z'};
    ASSERT_TRUE(utf8ToAnsi("", one, &size));
    EXPECT_EQ(one[0], '\0');
    uint32_t none = 0;
    EXPECT_FALSE(utf8ToAnsi("", one, &none));

    char ascii[64];
    size = sizeof ascii;
    const char* text = "Kestrane Software Installer 1.03.0000 ~!@#$%^&*()";
    ASSERT_TRUE(utf8ToAnsi(text, ascii, &size));
    EXPECT_STREQ(ascii, text);
}

TEST_F(TextConversion, CharactersTheCodePageLacks) {
    // A Japanese character has no Western byte and becomes the default "?"; the euro sign has one.
    const char* source = "a\xE6\x97\xA5"
                         "b\xE2\x82\xAC"
                         "c";
    uint32_t size = 0;
    ASSERT_TRUE(utf8ToAnsi(source, nullptr, &size));
    char buffer[16];
    ASSERT_LE(size, sizeof buffer);
    ASSERT_TRUE(utf8ToAnsi(source, buffer, &size));
    EXPECT_STREQ(buffer, "a?b\x80"
                         "c");
}

#if !defined(_WIN32)
TEST_F(TextConversion, MalformedUtf8BecomesTheDefaultCharacter) {
    char buffer[16];
    uint32_t size = sizeof buffer;
    // A stray continuation byte, a cut-off three-byte sequence, an over-long form.
    ASSERT_TRUE(utf8ToAnsi("a\x80"
                           "b\xE6\x97"
                           "c\xC0\xAF"
                           "d",
                           buffer, &size));
    EXPECT_STREQ(buffer, "a?b?c??d");
    size = 0;
    ASSERT_TRUE(utf8ToAnsi("\xE6\x97", nullptr, &size));
    EXPECT_EQ(size, 2u);
}

TEST_F(TextConversion, OtherSingleByteCodePages) {
    char buffer[8];
    uint32_t size = sizeof buffer;
    ASSERT_TRUE(setAnsiCodePage(1251));
    ASSERT_TRUE(utf8ToAnsi("\xD0\x96\xC3\xBC", buffer, &size));
    EXPECT_STREQ(buffer, "\xC6?");
    // Multi-byte and unknown code pages are refused and leave the current one in place.
    EXPECT_FALSE(setAnsiCodePage(932));
    EXPECT_FALSE(setAnsiCodePage(99999));
    size = sizeof buffer;
    ASSERT_TRUE(utf8ToAnsi("\xD0\x96", buffer, &size));
    EXPECT_STREQ(buffer, "\xC6");
    ASSERT_TRUE(setAnsiCodePage(1252));
    EXPECT_TRUE(bindConversionFunctions());
}
#else
TEST_F(TextConversion, BindsTheSystemFunctions) {
    EXPECT_TRUE(bindConversionFunctions());
}
#endif

} // namespace
