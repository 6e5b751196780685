// UTF-8 catalog text to the ANSI code page.
#include "xml/text_conversion.h"

#include "base/local_heap.h"

#if defined(_WIN32)
#include <windows.h>

#include "base/platform.h"

namespace {

typedef int(WINAPI* MultiByteToWideCharFunction)(UINT, DWORD, LPCSTR, int, LPWSTR, int);
typedef int(WINAPI* WideCharToMultiByteFunction)(UINT, DWORD, LPCWSTR, int, LPSTR, int, LPCSTR,
                                                 LPBOOL);

// Bound once for the process; on the 9x family they lead into the Unicode layer.
MultiByteToWideCharFunction toWide;
WideCharToMultiByteFunction toAnsi;

const UINT Utf8CodePage = 65001;

} // namespace

bool bindConversionFunctions() {
    OSVERSIONINFOA version;
    if (!readVersion(&version))
        return false;
    // The 9x family has these calls only in the Unicode layer, which the setup data sources
    // have loaded already.
    HMODULE module = GetModuleHandleA(
        version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? "unicows.dll" : "kernel32.dll");
    if (!module)
        return false;
    toWide = (MultiByteToWideCharFunction)(void*)GetProcAddress(module, "MultiByteToWideChar");
    toAnsi = (WideCharToMultiByteFunction)(void*)GetProcAddress(module, "WideCharToMultiByte");
    return toWide && toAnsi;
}

bool utf8ToAnsi(const char* source, char* destination, uint32_t* size) {
    if ((!toWide || !toAnsi) && !bindConversionFunctions())
        return false;
    int units = toWide(Utf8CodePage, 0, source, -1, nullptr, 0);
    if (units <= 0)
        return false;
    WCHAR* wide = (WCHAR*)heapAlloc((size_t)units * sizeof(WCHAR));
    if (!wide)
        return false;
    bool result = false;
    if (toWide(Utf8CodePage, 0, source, -1, wide, units)) {
        int needed = toAnsi(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
        if (!destination) {
            *size = needed > 0 ? (uint32_t)needed : 0;
            result = needed > 0;
        } else if (needed > 0 && *size >= (uint32_t)needed) {
            // The capacity is an int for the call; a larger buffer is still large enough.
            int capacity = *size > 0x7FFFFFFF ? 0x7FFFFFFF : (int)*size;
            result = toAnsi(CP_ACP, 0, wide, units, destination, capacity, nullptr, nullptr) != 0;
        }
    }
    heapFree(wide);
    return result;
}

#else
#include <errno.h>
#include <iconv.h>
#include <string.h>

#include "base/bounded_text.h"

namespace {

// The code page as a map from code point to byte, built once through iconv.
struct CodePageEntry {
    uint32_t codePoint;
    unsigned char byte;
};

struct CodePage {
    CodePageEntry entries[256];
    unsigned count;
    bool bound;
};

unsigned chosenCodePage = 1252;
CodePage activeCodePage;

const uint32_t ReplacementCharacter = 0xFFFD;

// Reads the code page's bytes one at a time through iconv. A code page in which a byte alone
// is an incomplete character is not single-byte and is refused.
bool buildCodePage(unsigned number, CodePage* codePage) {
    char name[32];
    formatText(name, sizeof name, "CP%u", number);
    iconv_t converter = iconv_open("UTF-32LE", name);
    if (converter == (iconv_t)-1)
        return false;
    unsigned count = 0;
    bool singleByte = true;
    for (unsigned value = 0; value < 256 && singleByte; ++value) {
        char in = (char)value;
        unsigned char out[16];
        char* inPointer = &in;
        char* outPointer = (char*)out;
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        if (iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) == (size_t)-1) {
            singleByte = errno != EINVAL;
            continue; // a byte the code page leaves unassigned
        }
        if (sizeof out - outLeft != 4)
            continue; // one byte for several characters: not a reverse mapping
        uint32_t codePoint = (uint32_t)out[0] | (uint32_t)out[1] << 8 | (uint32_t)out[2] << 16 |
                             (uint32_t)out[3] << 24;
        // Keep the entries sorted by code point; the first byte for a code point wins.
        unsigned at = count;
        while (at > 0 && codePage->entries[at - 1].codePoint > codePoint)
            --at;
        if (at > 0 && codePage->entries[at - 1].codePoint == codePoint)
            continue;
        memmove(&codePage->entries[at + 1], &codePage->entries[at],
                (count - at) * sizeof(CodePageEntry));
        codePage->entries[at].codePoint = codePoint;
        codePage->entries[at].byte = (unsigned char)value;
        ++count;
    }
    iconv_close(converter);
    if (!singleByte || !count)
        return false;
    codePage->count = count;
    codePage->bound = true;
    return true;
}

// The byte for a code point, or "?" when the code page lacks it.
char ansiByte(uint32_t codePoint) {
    unsigned low = 0;
    unsigned high = activeCodePage.count;
    while (low < high) {
        unsigned middle = (low + high) / 2;
        uint32_t found = activeCodePage.entries[middle].codePoint;
        if (found == codePoint)
            return (char)activeCodePage.entries[middle].byte;
        if (found < codePoint)
            low = middle + 1;
        else
            high = middle;
    }
    return '?';
}

// Decodes one character at *p and advances past it. A malformed sequence gives one
// replacement character for its longest valid beginning, as the Windows conversion does.
uint32_t nextCodePoint(const unsigned char** p) {
    const unsigned char* s = *p;
    unsigned char lead = s[0];
    if (lead < 0x80) {
        *p = s + 1;
        return lead;
    }
    unsigned trailing;
    uint32_t value;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        *p = s + 1;
        return ReplacementCharacter;
    }
    ++s;
    for (unsigned i = 0; i < trailing; ++i, ++s) {
        if (*s < low || *s > high) {
            *p = s;
            return ReplacementCharacter;
        }
        value = value << 6 | (*s & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    *p = s;
    return value;
}

} // namespace

bool setAnsiCodePage(unsigned codePage) {
    CodePage built = {};
    if (!buildCodePage(codePage, &built))
        return false;
    chosenCodePage = codePage;
    activeCodePage = built;
    return true;
}

bool bindConversionFunctions() {
    return activeCodePage.bound || buildCodePage(chosenCodePage, &activeCodePage);
}

bool utf8ToAnsi(const char* source, char* destination, uint32_t* size) {
    if (!bindConversionFunctions())
        return false;
    // One byte per character, the NUL included.
    uint32_t needed = 1;
    for (const unsigned char* p = (const unsigned char*)source; *p; ++needed) {
        nextCodePoint(&p);
        if (needed == 0xFFFFFFFF)
            return false;
    }
    if (!destination) {
        *size = needed;
        return true;
    }
    if (*size < needed)
        return false;
    char* out = destination;
    for (const unsigned char* p = (const unsigned char*)source; *p;)
        *out++ = ansiByte(nextCodePoint(&p));
    *out = '\0';
    return true;
}
#endif
