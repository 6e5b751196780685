// The program's own formatter behind formatText: the conversions the program's formats use,
// and the clean failure of everything else.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/bounded_text.h"

namespace {

// Called through a pointer: the formats under test are odd on purpose, and the compiler would
// check them against the C library's formats.
bool (*volatile format)(char*, size_t, const char*, ...) = formatText;

#define FORMATTED(...)                                                                             \
    [&] {                                                                                          \
        char text[300];                                                                            \
        return format(text, sizeof text, __VA_ARGS__) ? std::string(text)                          \
                                                      : std::string("(failed)");                   \
    }()

TEST(FormatText, ConversionsOfTheProgram) {
    EXPECT_EQ("C:\\Program Files\\Kestrane", FORMATTED("%s\\%s", "C:\\Program Files", "Kestrane"));
    EXPECT_EQ("000D", FORMATTED("%04X", 13u));
    EXPECT_EQ("STRINGS.0407", FORMATTED("STRINGS.%04X", 0x0407u));
    EXPECT_EQ("1.03.0000", FORMATTED("%X.%02X.%04X", 1u, 3u, 0u));
    EXPECT_EQ("A.0B.0C0D|FFFFFFFF|12345",
              FORMATTED("%X.%02X.%04X|%X|%02X", 0xAu, 0xBu, 0xC0Du, 0xFFFFFFFFu, 0x12345u));
    EXPECT_EQ("XY.0A", FORMATTED("%c%c.%02X", 'X', 'Y', 10u));
    EXPECT_EQ("CP1252 0 4294967295", FORMATTED("CP%u %u %u", 1252u, 0u, 4294967295u));
    EXPECT_EQ("Failed in operation for files.", FORMATTED("Failed in operation for %s.", "files"));
}

TEST(FormatText, AnythingElseFailsAndLeavesTheDestination) {
    char text[16] = "kept";
    // Conversions the program does not use, widths without zero padding, flags, lengths, a
    // null string, and %n (which would write) all fail.
    for (const char* refused : {"%d", "%i", "%x", "%o", "%4X", "%-4X", "%+u", "%lu", "%05s", "%02c",
                                "%%", "ab%", "%f", "%p", "%n", "%ls", "%.2s", "%*X"})
        EXPECT_FALSE(format(text, sizeof text, refused, 1u, 1u)) << refused;
    EXPECT_FALSE(format(text, sizeof text, "%s", (const char*)nullptr));
    EXPECT_FALSE(format(text, sizeof text, "%040X", 1u)) << "wider than any field of ours";
    EXPECT_STREQ("kept", text);
}

TEST(FormatText, OnlyWhatFitsWithItsNulIsWritten) {
    char text[8] = "kept";
    EXPECT_FALSE(format(text, 5, "%s", "abcde"));
    EXPECT_STREQ("kept", text);
    EXPECT_TRUE(format(text, 6, "%s", "abcde"));
    EXPECT_STREQ("abcde", text);
    EXPECT_FALSE(format(text, 6, "%08X", 1u)); // padding counts
    EXPECT_FALSE(format(text, 0, "%s", ""));
    EXPECT_STREQ("abcde", text);

    // The scratch space is 2600 bytes: larger destinations are refused whole.
    static char large[2601];
    std::string long2599(2599, 'x');
    EXPECT_TRUE(format(large, 2600, "%s", long2599.c_str()));
    EXPECT_EQ(2599u, strlen(large));
    EXPECT_FALSE(format(large, 2601, "%s", "x"));
}

TEST(FormatText, TheDestinationMayBeOneOfTheArguments) {
    char text[32] = "C:\\Folder";
    EXPECT_TRUE(format(text, sizeof text, "%s\\%s", text, "Name"));
    EXPECT_STREQ("C:\\Folder\\Name", text);
    EXPECT_FALSE(format(text, sizeof text, "%s%s%s", text, text, text));
    EXPECT_STREQ("C:\\Folder\\Name", text);
}

TEST(AsciiTests, LettersDigitsAndBlanksOfAsciiOnly) {
    EXPECT_EQ('A', upperAscii('a'));
    EXPECT_EQ('Z', upperAscii('z'));
    EXPECT_EQ('{', upperAscii('{'));
    EXPECT_EQ('\xE9', upperAscii('\xE9')) << "no case above 0x7F";
    for (char blank : {' ', '\t', '\n', '\v', '\f', '\r'})
        EXPECT_TRUE(isBlankByte(blank)) << (int)blank;
    for (char other : {'\0', '\x08', '\x0E', 'a', '\xA0', '\x85'})
        EXPECT_FALSE(isBlankByte(other)) << (int)other;
    EXPECT_EQ(0, hexDigitValue('0'));
    EXPECT_EQ(10, hexDigitValue('a'));
    EXPECT_EQ(15, hexDigitValue('F'));
    EXPECT_EQ(-1, hexDigitValue('g'));
    EXPECT_EQ(-1, hexDigitValue('/'));
    EXPECT_TRUE(equalIgnoringCase("name", "NAME"));
    EXPECT_FALSE(equalIgnoringCase("name", "NAMES"));
    EXPECT_FALSE(equalIgnoringCase("\xE9", "\xC9")) << "no case above 0x7F";
    EXPECT_TRUE(equalIgnoringCase("HEAD>", "head/", 4));
    // A common NUL ends the comparison: nothing behind it is read.
    char shortA[2] = {'a', '\0'}, shortB[2] = {'A', '\0'};
    EXPECT_TRUE(equalIgnoringCase(shortA, shortB, 100));
}

} // namespace
