#include "base/bounded_text.h"

#include <stdarg.h>
#include <stdint.h>
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

bool equalIgnoringCase(const char* a, const char* b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
        if (a[i] == '\0')
            return true;
    }
    return true;
}

namespace {

// The program's own formatter: the same code on every system, and no C runtime library to
// import for it. It writes into text (size bytes, at least 1) and fails on the first
// character that does not fit.
bool formatInto(char* text, size_t size, const char* format, va_list arguments) {
    size_t length = 0;
    auto put = [&](char c) {
        if (length + 1 >= size)
            return false;
        text[length++] = c;
        return true;
    };
    for (; *format; ++format) {
        if (*format != '%') {
            if (!put(*format))
                return false;
            continue;
        }
        ++format;
        // Only the numbers take a width, and only zero-padded.
        unsigned width = 0;
        bool padded = *format == '0';
        for (format += padded; *format >= '0' && *format <= '9'; ++format) {
            width = width * 10 + (unsigned)(*format - '0');
            if (width > 32)
                return false;
        }
        if (width > 0 && !padded)
            return false;
        if (*format == 'u' || *format == 'X') {
            unsigned value = va_arg(arguments, unsigned);
            unsigned base = *format == 'u' ? 10 : 16;
            char digits[32];
            unsigned count = 0;
            do {
                digits[count++] = "0123456789ABCDEF"[value % base];
                value /= base;
            } while (value != 0);
            for (; width > count; --width) {
                if (!put('0'))
                    return false;
            }
            while (count > 0) {
                if (!put(digits[--count]))
                    return false;
            }
        } else if (*format == 'c' && !padded) {
            if (!put((char)va_arg(arguments, int)))
                return false;
        } else if (*format == 's' && !padded) {
            const char* string = va_arg(arguments, const char*);
            if (!string)
                return false;
            for (; *string; ++string) {
                if (!put(*string))
                    return false;
            }
        } else {
            return false;
        }
    }
    text[length] = '\0';
    return true;
}

} // namespace

bool formatText(char* destination, size_t size, const char* format, ...) {
    // Format into scratch space first so that a result that does not fit leaves the
    // destination as it was (it may even be one of the arguments).
    char scratch[10 * TextBufferSize];
    if (size == 0 || size > sizeof scratch)
        return false;
    va_list arguments;
    va_start(arguments, format);
    bool formatted = formatInto(scratch, size, format, arguments);
    va_end(arguments);
    if (!formatted)
        return false;
    memcpy(destination, scratch, strlen(scratch) + 1);
    return true;
}
