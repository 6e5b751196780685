// Conversion between UTF-8 and the ANSI code pages of the product's languages: 1252 (the
// Western ones), 932 (Japanese), 936 (Simplified Chinese), 949 (Korean) and 950 (Traditional
// Chinese). On Windows through the system's functions with the code page named; on other hosts
// through tables captured from them (xml/code_page_data.h), which give the same bytes.
#pragma once

#include <stdint.h>

inline bool isProductCodePage(unsigned codePage) {
    return codePage == 1252 || codePage == 932 || codePage == 936 || codePage == 949 ||
           codePage == 950;
}

// length bytes of UTF-8 (a NUL among them is a character like any other) in codePage, as
// MultiByteToWideChar(CP_UTF8, 0) and WideCharToMultiByte(codePage, 0, ..., NULL, NULL) give
// them: a character the code page lacks becomes a look-alike where it has one, else the default
// character. With no destination, stores the number of bytes through size; otherwise size is the
// destination's capacity and the whole result is written, or nothing is. No NUL is added.
// Natively only the product's code pages, and UTF-8 itself (65001: the text as the system
// reads and rewrites it); on Windows any the system has, CP_ACP (0) included.
bool utf8ToCodePage(unsigned codePage, const char* source, uint32_t length, char* destination,
                    uint32_t* size);

// length bytes in codePage to UTF-8, as MultiByteToWideChar(codePage, 0) reads them; the same
// rules otherwise.
bool codePageToUtf8(unsigned codePage, const char* source, uint32_t length, char* destination,
                    uint32_t* size);

#if !defined(_WIN32)
// Whether the system's conversion reads the last of these length bytes of UTF-8 on its own; false
// when a sequence that the end cuts off takes it along.
bool utf8LastByteAlone(const char* source, uint32_t length);
#endif
