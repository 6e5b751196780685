#include "xml/bounded_text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

bool copyText(char* destination, size_t size, const char* source) {
    size_t length = strlen(source);
    if (length >= size)
        return false;
    memmove(destination, source, length + 1);
    return true;
}

bool appendText(char* destination, size_t size, const char* source) {
    size_t used = 0;
    while (used < size && destination[used] != '\0')
        ++used;
    if (used == size)
        return false;
    return copyText(destination + used, size - used, source);
}

bool formatText(char* destination, size_t size, const char* format, ...) {
    // Format into scratch space first so that a result that does not fit leaves the
    // destination as it was.
    char scratch[10 * TextBufferSize];
    if (size == 0 || size > sizeof scratch)
        return false;
    va_list arguments;
    va_start(arguments, format);
#if defined(_WIN32)
    // msvcrt's _vsnprintf: -1 or a count equal to the size means the text did not fit.
    int length = _vsnprintf(scratch, size, format, arguments);
#else
    int length = vsnprintf(scratch, size, format, arguments);
#endif
    va_end(arguments);
    if (length < 0 || (size_t)length >= size)
        return false;
    memcpy(destination, scratch, (size_t)length + 1);
    return true;
}
