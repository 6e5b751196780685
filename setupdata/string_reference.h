// The %KEY% rule of the setup data: a value written as %KEY% stands for the entry KEY of a
// STRINGS section chosen by the system language. Plain text handling over a profile reader,
// so that it builds anywhere.
#pragma once

#include <stdint.h>

// Reads one value of a profile file into output: at most size - 1 characters and a NUL,
// returning the number of characters written (0 when the value is missing, output then
// holding defaultValue as far as it fits).
typedef unsigned (*ProfileReader)(const char* section, const char* key, const char* defaultValue,
                                  char* output, unsigned size, void* context);

// The value of key in section, with a %KEY% value replaced by the entry KEY of section
// STRINGS.llll of language, then of primaryLanguage, then of STRINGS. Characters written to
// output (outputSize bytes, of which at most 260 are used), 0 when the value is missing.
unsigned resolveSetupString(const char* section, const char* key, const char* defaultValue,
                            char* output, unsigned outputSize, uint16_t language,
                            uint16_t primaryLanguage, ProfileReader read, void* context);
