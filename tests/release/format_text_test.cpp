// The program's own formatter behind formatText: the C conversions it knows, their flags,
// widths and precisions, and the clean failure of everything else.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "xml/bounded_text.h"

namespace {

// Called through a pointer: the formats under test are odd on purpose, and the compiler would
// check them against msvcrt's formats.
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
    EXPECT_EQ("A.0B.0C0D", FORMATTED("%X.%02X.%04X", 0xAu, 0xBu, 0xC0Du));
    EXPECT_EQ("Failed in operation for files.", FORMATTED("Failed in operation for %s.", "files"));
}

TEST(FormatText, FlagsWidthsAndPrecisionsFollowTheCStandard) {
    EXPECT_EQ("42|  -42|42   |-0042|+42| 42",
              FORMATTED("%d|%5d|%-5d|%05d|%+d|% d", 42, -42, 42, -42, 42, 42));
    EXPECT_EQ("0xff 0XFF 010 0  |",
              FORMATTED("%#x %#X %#o %#.0o %#.0x %.0d|", 255u, 255u, 8u, 0u, 0u, 0));
    EXPECT_EQ("0x0000ff|0xff    |    -007|-00007|     3|3     |he|",
              FORMATTED("%#08x|%-#8x|%08.3d|%.5d|%*d|%-*d|%.*s|", 255u, 255u, -7, -7, 6, 3, -6, 3,
                        2, "hello"));
    EXPECT_EQ("-1234567890123 18446744073709551615 44 4464 5 ffffffff",
              FORMATTED("%lld %llu %hhd %hd %zu %lx", -1234567890123LL, 18446744073709551615ULL,
                        300, 70000, (size_t)5, 0xffffffffUL));
    EXPECT_EQ("x|    y|z    |%|        ab|cd        |abc",
              FORMATTED("%c|%5c|%-5c|%%|%10s|%-10s|%.3s", 'x', 'y', 'z', "ab", "cd", "abcdef"));
    EXPECT_EQ("-2147483648 37777777777 0", FORMATTED("%i %o %u", -2147483647 - 1, 4294967295u, 0u));
}

TEST(FormatText, AnythingElseFailsAndLeavesTheDestination) {
    char text[16] = "kept";
    // A null string, an unknown or unfinished conversion, and %n (which would write) all fail.
    EXPECT_FALSE(format(text, sizeof text, "%s", (const char*)nullptr));
    EXPECT_FALSE(format(text, sizeof text, "%f", 1.0));
    EXPECT_FALSE(format(text, sizeof text, "%p", (void*)text));
    EXPECT_FALSE(format(text, sizeof text, "%n", (int*)nullptr));
    EXPECT_FALSE(format(text, sizeof text, "ab%"));
    EXPECT_FALSE(format(text, sizeof text, "%ls", L"wide"));
    EXPECT_STREQ("kept", text);
}

TEST(FormatText, OnlyWhatFitsWithItsNulIsWritten) {
    char text[8] = "kept";
    EXPECT_FALSE(format(text, 5, "%s", "abcde"));
    EXPECT_STREQ("kept", text);
    EXPECT_TRUE(format(text, 6, "%s", "abcde"));
    EXPECT_STREQ("abcde", text);
    EXPECT_FALSE(format(text, 6, "%8d", 1)); // padding counts
    EXPECT_FALSE(format(text, 0, "%s", ""));
    // A field wider than any buffer fails quickly instead of being written out.
    EXPECT_FALSE(format(text, sizeof text, "%2000000000d", 1));
    EXPECT_FALSE(format(text, sizeof text, "%*d", -2147483647 - 1, 1));
    EXPECT_STREQ("abcde", text);

    // The scratch space is 2600 bytes: larger destinations are refused whole.
    static char large[2601];
    EXPECT_TRUE(format(large, 2600, "%2599s", "x"));
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

} // namespace
