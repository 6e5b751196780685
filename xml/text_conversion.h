// UTF-8 to ANSI conversion of catalog text. On Windows through MultiByteToWideChar and
// WideCharToMultiByte found at run time (the Unicode layer on the 9x family, kernel32
// otherwise); on other hosts through the tables of xml/code_pages.h, which give the same bytes.
#pragma once

#include <stdint.h>

bool bindConversionFunctions();

// With no destination: a size query, storing the bytes needed (NUL included) through size.
// With a destination: size is its capacity; the whole string is written or nothing is.
bool utf8ToAnsi(const char* source, char* destination, uint32_t* size);

// The code page utf8ToAnsi converts to: one of the product's (isProductCodePage) or UTF-8
// itself (65001, for the tools' comparisons), else false and the code page stays. Natively the ANSI
// code page, 1252 until set; on Windows, for the tools only, in place of the system's (the product
// never calls it).
bool setAnsiCodePage(unsigned codePage);
