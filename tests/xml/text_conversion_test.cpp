#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "tests/catalog/test_document.h"
#include "xml/code_pages.h"
#include "xml/text_conversion.h"

namespace {

class TextConversion : public ::testing::Test {
  protected:
    void SetUp() override { useWesternCodePage(); }
    void TearDown() override { useWesternCodePage(); }
};

// The whole conversion through a size query and a buffer of exactly that size.
std::string convertWhole(bool (*convert)(unsigned, const char*, uint32_t, char*, uint32_t*),
                         unsigned codePage, const std::string& input) {
    uint32_t size = 0;
    if (!convert(codePage, input.data(), (uint32_t)input.size(), nullptr, &size))
        return "(refused)";
    std::string output(size, 'z');
    if (size && !convert(codePage, input.data(), (uint32_t)input.size(), &output[0], &size))
        return "(failed)";
    return output;
}

std::string toCodePage(unsigned codePage, const std::string& text) {
    return convertWhole(utf8ToCodePage, codePage, text);
}

std::string fromCodePage(unsigned codePage, const std::string& bytes) {
    return convertWhole(codePageToUtf8, codePage, bytes);
}

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
    // A Japanese character has no Western byte nor a look-alike and becomes the default "?";
    // the euro sign has a byte; an accented Latin or a Greek letter becomes its look-alike.
    const char* source = "a\xE6\x97\xA5"
                         "b\xE2\x82\xAC"
                         "c Caf\xC3\xA9 \xCE\xA9 \xC4\x80";
    uint32_t size = 0;
    ASSERT_TRUE(utf8ToAnsi(source, nullptr, &size));
    char buffer[32];
    ASSERT_LE(size, sizeof buffer);
    ASSERT_TRUE(utf8ToAnsi(source, buffer, &size));
    EXPECT_STREQ(buffer, "a?b\x80"
                         "c Caf\xE9 O A");
}

// Rows checked against the system's conversion on Windows and against the tables elsewhere.
struct Row {
    unsigned codePage;
    std::string utf8;
    std::string bytes;
};

TEST_F(TextConversion, ProductCodePagesBothWays) {
    const Row rows[] = {
        {1252, "Caf\xC3\xA9 \xE2\x80\x9Cx\xE2\x80\x9D", "Caf\xE9 \x93x\x94"},
        {1252, std::string("\xE2\x82\xAC\xC2\x81\0", 6), std::string("\x80\x81\0", 3)},
        {932, "\xE6\x97\xA5\xE6\x9C\xAC", "\x93\xFA\x96\x7B"}, // two pairs
        {932, "a\xEF\xBD\xB1z", "a\xB1z"},                     // a halfwidth kana: one byte
        {932, "\xCE\xA9\xEF\xBD\x9E", "\x83\xB6\x81\x60"},     // Omega, fullwidth tilde
        {932, "\xEF\xA3\xB0", "\xA0"},                         // a byte no character uses
        {936, "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},
        {936, "\xE2\x82\xAC\xC4\x81", "\x80\xA8\xA1"}, // a single byte, then a pair
        {949, "\xED\x95\x9C\xEA\xB5\xAD", "\xC7\xD1\xB1\xB9"},
        {949, "\xEA\xB0\x82", "\x81\x41"}, // an extended Hangul syllable
        {950, "\xE4\xB8\xAD\xE6\x96\x87", "\xA4\xA4\xA4\xE5"},
        {950, "\xEF\xBD\x9E", "\xA1\xE3"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(toCodePage(row.codePage, row.utf8), row.bytes) << row.codePage;
        EXPECT_EQ(fromCodePage(row.codePage, row.bytes), row.utf8) << row.codePage;
    }
}

TEST_F(TextConversion, BestFitAndDefaultCharacters) {
    const Row rows[] = {
        {1252, "Caf\xC3\xA9 \xCE\xA9", "Caf\xE9 O"},
        {1252, "\xEF\xBC\xA1\xE2\x88\x92\xE6\x97\xA5", "A-?"}, // fullwidth A, minus, a kanji
        {932, "Caf\xC3\xA9 \xC2\xA5", "Cafe \x5C"},            // the yen sign's look-alike
        {932, "\xE3\x80\x9C\xC4\x80", "??"},                   // wave dash, A with macron
        {936, "\xC2\xA5", "\xA3\xA4"},
        {949, "\xC3\x80\xC4\x80", "A?"},
        {950, "\xE3\x80\x9C\xC2\xA5", "\xA1\xE3\xA2\x44"}, // wave dash as fullwidth tilde
        // Beyond the plane: each surrogate is a default character.
        {936, "\xF0\x9F\x98\x80", "??"},
        {950, "\xF0\xA0\x80\x80", "??"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(toCodePage(row.codePage, row.utf8), row.bytes) << row.codePage << row.utf8;
}

TEST_F(TextConversion, BytesThatReadAsNoCharacter) {
    const Row rows[] = {
        // A lead byte at the end, or before a NUL, stands alone; before any other byte it takes
        // that byte along, assigned pair or not.
        {932, "\xE3\x83\xBB", "\x81"},
        {932, std::string("\xE3\x83\xBB\0", 4), std::string("\x81\0", 2)},
        {932, "\xE3\x83\xBB", "\x81 "},
        {932, "\xE3\x83\xBB", "\x85\x40"},
        {936, "?", "\x81 "},
        {949, "?a", "\xA0 a"},
        {1252, "\xC2\x81 ", "\x81 "},
    };
    for (const Row& row : rows)
        EXPECT_EQ(fromCodePage(row.codePage, row.bytes), row.utf8) << row.codePage;
}

TEST_F(TextConversion, DoubleByteSizeRules) {
    ASSERT_TRUE(setAnsiCodePage(932));
    const char* source = "\xE6\x97\xA5\xE6\x9C\xAC"
                         "a";
    uint32_t size = 0;
    ASSERT_TRUE(utf8ToAnsi(source, nullptr, &size));
    EXPECT_EQ(size, 6u);
    char buffer[8];
    memset(buffer, 'z', sizeof buffer);
    uint32_t capacity = 5;
    EXPECT_FALSE(utf8ToAnsi(source, buffer, &capacity));
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(8, 'z'));
    capacity = 6;
    ASSERT_TRUE(utf8ToAnsi(source, buffer, &capacity));
    EXPECT_EQ(std::string(buffer, 7), std::string("\x93\xFA\x96\x7B"
                                                  "a\0z",
                                                  7));

    // With the code page named: two pairs need four bytes; three write nothing.
    memset(buffer, 'z', sizeof buffer);
    capacity = 3;
    EXPECT_FALSE(utf8ToCodePage(936, "\xE4\xB8\xAD\xE6\x96\x87", 6, buffer, &capacity));
    EXPECT_EQ(std::string(buffer, 4), "zzzz");

    // Back to UTF-8: a pair gives three bytes; one byte fewer writes nothing.
    size = 0;
    ASSERT_TRUE(codePageToUtf8(932, "\x93\xFA", 2, nullptr, &size));
    EXPECT_EQ(size, 3u);
    memset(buffer, 'z', sizeof buffer);
    capacity = 2;
    EXPECT_FALSE(codePageToUtf8(932, "\x93\xFA", 2, buffer, &capacity));
    EXPECT_EQ(std::string(buffer, 3), "zzz");
    // An empty input converts to nothing.
    size = 7;
    ASSERT_TRUE(utf8ToCodePage(950, "", 0, nullptr, &size));
    EXPECT_EQ(size, 0u);
}

TEST_F(TextConversion, OnlyTheProductCodePages) {
    // UTF-8 itself, for the tools: the text as the system reads and rewrites it.
    ASSERT_TRUE(setAnsiCodePage(65001));
    char rewritten[16];
    uint32_t room = sizeof rewritten;
    ASSERT_TRUE(utf8ToAnsi("Caf\xC3\xA9 \xF0\x9F\x98\x80 \xC3", rewritten, &room));
    EXPECT_STREQ(rewritten, "Caf\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBD");
    ASSERT_TRUE(setAnsiCodePage(949));
    for (unsigned refused : {1251u, 437u, 0u, 99999u})
        EXPECT_FALSE(setAnsiCodePage(refused)) << refused;
    // The code page set before stays.
    char buffer[8];
    uint32_t size = sizeof buffer;
    ASSERT_TRUE(utf8ToAnsi("\xED\x95\x9C", buffer, &size));
    EXPECT_STREQ(buffer, "\xC7\xD1");
#if !defined(_WIN32)
    EXPECT_EQ(toCodePage(1251, "a"), "(refused)");
    EXPECT_EQ(fromCodePage(437, "a"), "(refused)");
#endif
}

TEST_F(TextConversion, MalformedUtf8BecomesTheDefaultCharacter) {
    // A stray continuation byte, a cut-off three-byte sequence, an invalid lead byte, an
    // overlong form and an encoded surrogate (both taking their second byte along).
    EXPECT_EQ(toCodePage(1252, "a\x80"
                               "b\xE6\x97"
                               "c\xC0\xAF"
                               "d\xE0\x80\x80"
                               "e\xED\xA0\x80"
                               "f"),
              "a?b?c??d??e??f");
    // A sequence the end cuts off takes all that is left.
    EXPECT_EQ(toCodePage(932, "a\xE6"
                              "b"),
              "a?");
    uint32_t size = 0;
    ASSERT_TRUE(utf8ToAnsi("\xE6\x97", nullptr, &size));
    EXPECT_EQ(size, 2u);
    // Where the system's conversion takes the NUL along (Wine's does), the text still ends with
    // one: the catalog's values are strings.
    char buffer[4];
    memset(buffer, 'z', sizeof buffer);
    size = 0;
    ASSERT_TRUE(utf8ToAnsi("a\xE6", nullptr, &size));
    EXPECT_EQ(size, 3u);
    ASSERT_TRUE(utf8ToAnsi("a\xE6", buffer, &size));
    EXPECT_EQ(std::string(buffer, 4), std::string("a?\0z", 4));
}

TEST_F(TextConversion, BindsTheConversion) {
    EXPECT_TRUE(bindConversionFunctions());
}

} // namespace
