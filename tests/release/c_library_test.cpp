// The C functions setup.exe brings along instead of a C runtime DLL, built under other names
// (own_...) and compared with the C runtime's on the cases that tell implementations apart.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

extern "C" {
void* own_memcpy(void*, const void*, size_t);
void* own_memmove(void*, const void*, size_t);
void* own_memset(void*, int, size_t);
int own_memcmp(const void*, const void*, size_t);
size_t own_strlen(const char*);
int own_strcmp(const char*, const char*);
int own_strncmp(const char*, const char*, size_t);
char* own_strchr(const char*, int);
char* own_strrchr(const char*, int);
char* own_strstr(const char*, const char*);
size_t own_wcslen(const wchar_t*);
int own_wcscmp(const wchar_t*, const wchar_t*);
wchar_t* own_wcsrchr(const wchar_t*, wchar_t);
}

namespace {

int sign(int value) {
    return (value > 0) - (value < 0);
}

TEST(CLibrary, MemoryFunctionsCopyMoveFillAndCompareLikeTheRuntime) {
    std::vector<unsigned char> pattern(64);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = (unsigned char)(i * 37 + 200);
    // Moves overlapping in both directions and by every small distance.
    for (size_t from = 0; from < 8; ++from) {
        for (size_t to = 0; to < 8; ++to) {
            std::vector<unsigned char> mine = pattern, theirs = pattern;
            EXPECT_EQ(mine.data() + to, own_memmove(mine.data() + to, mine.data() + from, 40));
            memmove(theirs.data() + to, theirs.data() + from, 40);
            EXPECT_EQ(theirs, mine) << from << " -> " << to;
        }
    }
    std::vector<unsigned char> copy(64, 0);
    EXPECT_EQ(copy.data(), own_memcpy(copy.data(), pattern.data(), 64));
    EXPECT_EQ(pattern, copy);
    EXPECT_EQ(copy.data() + 3, own_memset(copy.data() + 3, 0x1FF, 5)); // only the low byte
    EXPECT_EQ(std::vector<unsigned char>(5, 0xFF),
              std::vector<unsigned char>(copy.begin() + 3, copy.begin() + 8));
    EXPECT_EQ(pattern[2], copy[2]);
    EXPECT_EQ(pattern[8], copy[8]);
    own_memcpy(copy.data(), pattern.data(), 0); // nothing at all

    const unsigned char low[] = {1, 2, 3}, high[] = {1, 2, 0x80};
    EXPECT_EQ(-1, sign(own_memcmp(low, high, 3))); // bytes compare unsigned
    EXPECT_EQ(1, sign(own_memcmp(high, low, 3)));
    EXPECT_EQ(0, own_memcmp(low, high, 2));
    EXPECT_EQ(0, own_memcmp(low, high, 0));
}

TEST(CLibrary, StringFunctionsAgreeWithTheRuntime) {
    const char* texts[] = {"", "a", "ab", "abc", "abd", "b", "\x80", "a\x80", "C:\\A\\B", "%%"};
    for (const char* a : texts) {
        EXPECT_EQ(strlen(a), own_strlen(a)) << a;
        for (const char* b : texts) {
            EXPECT_EQ(sign(strcmp(a, b)), sign(own_strcmp(a, b))) << a << " / " << b;
            for (size_t n : {0, 1, 2, 3, 10})
                EXPECT_EQ(sign(strncmp(a, b, n)), sign(own_strncmp(a, b, n))) << a << " " << n;
            EXPECT_EQ(strstr(a, b), own_strstr(a, b)) << a << " / " << b;
        }
        for (int c : {(int)'a', (int)'b', (int)'\\', 0, 0x80, 0x180, -128}) {
            EXPECT_EQ(strchr(a, c), own_strchr(a, c)) << a << " " << c;
            EXPECT_EQ(strrchr(a, c), own_strrchr(a, c)) << a << " " << c;
        }
    }
}

TEST(CLibrary, WideFunctionsAgreeWithTheRuntime) {
    const wchar_t* texts[] = {L"", L"a", L"ab", L"\\x\\y", L"\xFFFF", L"a\xFFFF"};
    for (const wchar_t* a : texts) {
        EXPECT_EQ(wcslen(a), own_wcslen(a));
        for (const wchar_t* b : texts)
            EXPECT_EQ(sign(wcscmp(a, b)), sign(own_wcscmp(a, b)));
        for (wchar_t c : {L'a', L'\\', L'\0', L'\xFFFF'})
            EXPECT_EQ(wcsrchr(a, c), own_wcsrchr(a, c));
    }
}

} // namespace
