// The folder browser's status line, measured as a number of characters.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "setupdata/status_path.h"

namespace {

int characters(const char* text, void* calls) {
    ++*(int*)calls;
    return (int)strlen(text);
}

std::string shorten(const std::string& path, int width, size_t size = 260, int* calls = nullptr) {
    std::vector<char> shown(size + 8, '#');
    int measured = 0;
    shortenStatusPath(path.c_str(), shown.data(), size, width, characters, &measured);
    for (size_t i = size; i < shown.size(); ++i)
        EXPECT_EQ('#', shown[i]) << "written past the status text at " << i;
    if (calls)
        *calls = measured;
    return shown.data();
}

TEST(StatusPath, DropsComponentsBeforeTheLastUntilTheTextIsNarrower) {
    const std::string path = "C:\\Program Files\\Vendor\\Product"; // 31 characters
    EXPECT_EQ(path, shorten(path, 100));
    EXPECT_EQ(path, shorten(path, 32));
    EXPECT_EQ("C:\\Program Files ... \\Product", shorten(path, (int)path.size()));
    EXPECT_EQ("C: ... \\Product", shorten(path, 29));
    EXPECT_EQ("C: ... \\Product", shorten(path, 20));
    // Fewer than two backslashes: shown as it is, however wide.
    EXPECT_EQ("C: ... \\Product", shorten(path, 1));
    EXPECT_EQ("C:\\Product", shorten("C:\\Product", 1));
    EXPECT_EQ("Product", shorten("Product", 1));
    const std::string single = "C:\\" + std::string(250, 'x');
    EXPECT_EQ(single, shorten(single, 1));
}

TEST(StatusPath, EveryRoundRemovesABackslashSoTheLoopEnds) {
    std::string path = "C:";
    for (int i = 0; i < 60; ++i)
        path += "\\d";
    int calls = 0;
    EXPECT_EQ("C: ... \\d", shorten(path, 0, 260, &calls));
    EXPECT_LE(calls, 61);
}

TEST(StatusPath, TextsThatDoNotFitFailCleanly) {
    // A path longer than the status buffer shows as the empty text.
    EXPECT_EQ("", shorten("C:\\Folder\\Name", 100, 8));
    EXPECT_EQ("", shorten("C:\\Program Files\\Vendor\\Product", 1, 20));
    // A shortened text that would not fit stops the shortening at the last text that did:
    // "a\\\\b" becomes the longer "a ... \\b", which 6 bytes cannot hold.
    EXPECT_EQ("a\\\\b", shorten("a\\\\b", 1, 6));
    EXPECT_EQ("a ... \\b", shorten("a\\\\b", 1, 9));
    EXPECT_EQ("C:\\a\\b\\c\\d", shorten("C:\\a\\b\\c\\d", 1, 12));
    // The first round makes a path of short components longer: it must still fit the 260
    // bytes.
    std::string many = "C:";
    while (many.size() < 256)
        many += "\\a";
    EXPECT_EQ("C: ... \\a", shorten(many, 1));
    many += "\\a"; // 258 characters: the first round would not fit
    EXPECT_EQ(many, shorten(many, 1));
    // Nothing at all can be written into an empty buffer, not even the NUL.
    char none[1] = {'#'};
    int measured = 0;
    shortenStatusPath("C:\\x", none, 0, 10, characters, &measured);
    EXPECT_EQ('#', none[0]);
}

} // namespace
