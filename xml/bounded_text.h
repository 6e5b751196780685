// Bounded copies and formats into the program's fixed text buffers.
// A text that does not fit fails the operation: nothing is cut.
#pragma once

#include <stddef.h>

// Every path and value buffer of the program (MAX_PATH).
enum { TextBufferSize = 260 };

// Copies source with its NUL into destination when it fits in size bytes; otherwise leaves
// destination unchanged and returns false.
bool copyText(char* destination, size_t size, const char* source);
// Appends source behind the text in destination when the whole fits in size bytes.
bool appendText(char* destination, size_t size, const char* source);
// printf-style format into destination when the result with its NUL fits in size bytes;
// otherwise destination is left unchanged and the result is false. At most 2600 bytes.
// Conversions d i u x X o c s % (flags, width, precision, hh h l ll z); any other, and a null
// string argument, fail the format.
bool formatText(char* destination, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
