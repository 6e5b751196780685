// UTF-8 to ANSI conversion of catalog text. On Windows through MultiByteToWideChar and
// WideCharToMultiByte found at run time (the Unicode layer on the 9x family, kernel32
// otherwise); on other hosts through iconv into a single-byte code page.
#pragma once

#include <stdint.h>

bool bindConversionFunctions();

// With no destination: a size query, storing the bytes needed (NUL included) through size.
// With a destination: size is its capacity; the whole string is written or nothing is.
bool utf8ToAnsi(const char* source, char* destination, uint32_t* size);

#if !defined(_WIN32)
// The ANSI code page of hosts that have none (default 1252). False for a code page that
// cannot be used.
bool setAnsiCodePage(unsigned codePage);
#endif
