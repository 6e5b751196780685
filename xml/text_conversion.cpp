// UTF-8 catalog text to the ANSI code page.
#include "xml/text_conversion.h"

#include "base/local_heap.h"
#include "xml/code_pages.h"

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

// The system's ANSI code page; only the tools name another (setAnsiCodePage).
UINT ansiCodePage = CP_ACP;

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
    if (units <= 0 || units == 0x7FFFFFFF)
        return false;
    // One unit more, zero: a sequence that the end of the text cuts off can take the NUL along
    // (Wine's conversion does), and the answer must still be a terminated string.
    WCHAR* wide = (WCHAR*)heapAlloc(((size_t)units + 1) * sizeof(WCHAR));
    if (!wide)
        return false;
    bool result = false;
    if (toWide(Utf8CodePage, 0, source, -1, wide, units)) {
        if (wide[units - 1] != 0)
            ++units;
        int needed = toAnsi(ansiCodePage, 0, wide, units, nullptr, 0, nullptr, nullptr);
        if (!destination) {
            *size = needed > 0 ? (uint32_t)needed : 0;
            result = needed > 0;
        } else if (needed > 0 && *size >= (uint32_t)needed) {
            // The capacity is an int for the call; a larger buffer is still large enough.
            int capacity = *size > 0x7FFFFFFF ? 0x7FFFFFFF : (int)*size;
            result =
                toAnsi(ansiCodePage, 0, wide, units, destination, capacity, nullptr, nullptr) != 0;
        }
    }
    heapFree(wide);
    return result;
}

bool setAnsiCodePage(unsigned codePage) {
    if (!isProductCodePage(codePage) && codePage != Utf8CodePage)
        return false;
    ansiCodePage = codePage;
    return true;
}

#else
#include <string.h>

namespace {

unsigned chosenCodePage = 1252;

} // namespace

bool setAnsiCodePage(unsigned codePage) {
    uint32_t size = 0;
    if ((!isProductCodePage(codePage) && codePage != 65001) ||
        !utf8ToCodePage(codePage, "", 1, nullptr, &size))
        return false;
    chosenCodePage = codePage;
    return true;
}

bool bindConversionFunctions() {
    uint32_t size = 0;
    return utf8ToCodePage(chosenCodePage, "", 1, nullptr, &size);
}

bool utf8ToAnsi(const char* source, char* destination, uint32_t* size) {
    // The text with its NUL, as the system functions are given it. Under Wine a sequence cut off
    // by the NUL takes the NUL along, and the result is no string; here it gets its NUL back.
    size_t length = strlen(source);
    if (length >= 0xFFFFFFFEu)
        return false;
    uint32_t withNul = (uint32_t)length + 1;
    uint32_t extra = utf8LastByteAlone(source, withNul) ? 0 : 1;
    uint32_t needed = 0;
    if (!utf8ToCodePage(chosenCodePage, source, withNul, nullptr, &needed) ||
        needed > 0xFFFFFFFFu - extra)
        return false;
    if (!destination) {
        *size = needed + extra;
        return true;
    }
    if (*size < needed + extra ||
        !utf8ToCodePage(chosenCodePage, source, withNul, destination, &needed))
        return false;
    if (extra)
        destination[needed] = '\0';
    return true;
}
#endif
