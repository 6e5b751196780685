// Bounded copies and formats into the program's fixed text buffers, and the ASCII byte tests
// every module shares. A text that does not fit fails the operation: nothing is cut.
#pragma once

#include <stddef.h>

// Every path and value buffer of the program (MAX_PATH).
enum { TextBufferSize = 260 };

// Copies source with its NUL into destination when it fits in size bytes; otherwise leaves
// destination unchanged and returns false.
bool copyText(char* destination, size_t size, const char* source);
// Appends source behind the text in destination when the whole fits in size bytes.
bool appendText(char* destination, size_t size, const char* source);
// Formats into destination when the result with its NUL fits in size bytes (at most 2600);
// otherwise destination is left unchanged and the result is false. The program's formats
// need four conversions: %s, %c, %u and %X, the numbers optionally zero-padded to a width
// ("%04X"). Anything else, and a null string, fails the format: a translated message with a
// conversion of its own is never used.
bool formatText(char* destination, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// ASCII only: bytes of 0x80 and above are never letters, digits or blanks, whatever the code
// page makes of them.
constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}
// The six blanks of catalogs and lists: space, tab, line feed, vertical tab, form feed, return.
constexpr bool isBlankByte(char c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D);
}
// The value of a hexadecimal digit in either case; -1 for any other byte.
constexpr int hexDigitValue(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : -1;
}
// Whether a and b hold the same text, ASCII letters compared regardless of case, over at most
// count bytes. Stops at the first difference or a common NUL: never reads past a NUL.
bool equalIgnoringCase(const char* a, const char* b, size_t count = (size_t)-1);
