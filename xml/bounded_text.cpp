#include "xml/bounded_text.h"

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

namespace {

// The program's own formatter: the same code on every system, and no C runtime library to
// import for it. It knows the conversions d i u x X o c s and %, with the flags, width,
// precision and the length modifiers hh h l ll z of the C standard; anything else, and a
// null string, fails the format.

// Characters written so far; once one does not fit, nothing more is written.
struct FormatOutput {
    char* text;
    size_t size;
    size_t length;
    bool fits;
};

void put(FormatOutput* output, char c) {
    if (!output->fits)
        return;
    if (output->length + 1 >= output->size) {
        output->fits = false;
        return;
    }
    output->text[output->length++] = c;
}

void putRepeated(FormatOutput* output, char c, int count) {
    for (; count > 0 && output->fits; --count)
        put(output, c);
}

struct Conversion {
    bool leftAlign, forceSign, spaceSign, alternate, zeroPad;
    int width;     // 0 when none
    int precision; // -1 when none
};

// Field widths beyond any buffer of the program only need to fail, not to be counted exactly.
const int WidthLimit = 100000;

int readNumber(const char** format) {
    int value = 0;
    while (**format >= '0' && **format <= '9') {
        if (value < WidthLimit)
            value = value * 10 + (**format - '0');
        ++*format;
    }
    return value < WidthLimit ? value : WidthLimit;
}

void putPadded(FormatOutput* output, const Conversion* conversion, const char* text,
               size_t length) {
    int padding = conversion->width > (int)length ? conversion->width - (int)length : 0;
    if (!conversion->leftAlign)
        putRepeated(output, ' ', padding);
    for (size_t i = 0; i < length && output->fits; ++i)
        put(output, text[i]);
    if (conversion->leftAlign)
        putRepeated(output, ' ', padding);
}

void putNumber(FormatOutput* output, const Conversion* conversion, uint64_t magnitude,
               bool negative, bool isSigned, unsigned base, bool upper) {
    const char* digitSet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char digits[24]; // 22 octal digits for 64 bits
    int count = 0;
    bool zero = magnitude == 0;
    if (!(conversion->precision == 0 && zero)) {
        do {
            digits[count++] = digitSet[magnitude % base];
            magnitude /= base;
        } while (magnitude != 0);
    }
    const char* prefix = "";
    if (isSigned && negative)
        prefix = "-";
    else if (isSigned && conversion->forceSign)
        prefix = "+";
    else if (isSigned && conversion->spaceSign)
        prefix = " ";
    else if (conversion->alternate && base == 16 && !zero)
        prefix = upper ? "0X" : "0x";
    int zeros = conversion->precision > count ? conversion->precision - count : 0;
    if (conversion->alternate && base == 8 && zeros == 0 &&
        (count == 0 || digits[count - 1] != '0'))
        zeros = 1;
    int body = (int)strlen(prefix) + zeros + count;
    if (conversion->zeroPad && !conversion->leftAlign && conversion->precision < 0 &&
        conversion->width > body) {
        zeros += conversion->width - body;
        body = conversion->width;
    }
    int padding = conversion->width > body ? conversion->width - body : 0;
    if (!conversion->leftAlign)
        putRepeated(output, ' ', padding);
    for (const char* p = prefix; *p; ++p)
        put(output, *p);
    putRepeated(output, '0', zeros);
    while (count > 0)
        put(output, digits[--count]);
    if (conversion->leftAlign)
        putRepeated(output, ' ', padding);
}

enum Length { Plain, Char, Short, Long, LongLong, Size };

// Writes the formatted text with its NUL into output (size bytes); false when it does not fit
// or the format asks for something this formatter does not know.
bool formatInto(char* text, size_t size, const char* format, va_list arguments) {
    FormatOutput output = {text, size, 0, size > 0};
    while (*format && output.fits) {
        if (*format != '%') {
            put(&output, *format++);
            continue;
        }
        ++format;
        Conversion conversion = {false, false, false, false, false, 0, -1};
        for (;; ++format) {
            if (*format == '-')
                conversion.leftAlign = true;
            else if (*format == '+')
                conversion.forceSign = true;
            else if (*format == ' ')
                conversion.spaceSign = true;
            else if (*format == '#')
                conversion.alternate = true;
            else if (*format == '0')
                conversion.zeroPad = true;
            else
                break;
        }
        if (*format == '*') {
            int width = va_arg(arguments, int);
            ++format;
            if (width < 0) {
                conversion.leftAlign = true;
                width = width < -WidthLimit ? WidthLimit : -width;
            }
            conversion.width = width < WidthLimit ? width : WidthLimit;
        } else {
            conversion.width = readNumber(&format);
        }
        if (*format == '.') {
            ++format;
            if (*format == '*') {
                int precision = va_arg(arguments, int);
                ++format;
                conversion.precision =
                    precision < 0 ? -1 : (precision < WidthLimit ? precision : WidthLimit);
            } else {
                conversion.precision = readNumber(&format);
            }
        }
        Length length = Plain;
        if (format[0] == 'h' && format[1] == 'h') {
            length = Char;
            format += 2;
        } else if (format[0] == 'h') {
            length = Short;
            ++format;
        } else if (format[0] == 'l' && format[1] == 'l') {
            length = LongLong;
            format += 2;
        } else if (format[0] == 'l') {
            length = Long;
            ++format;
        } else if (format[0] == 'z') {
            length = Size;
            ++format;
        }

        char kind = *format++;
        switch (kind) {
        case 'd':
        case 'i': {
            int64_t value;
            switch (length) {
            case Char:
                value = (signed char)va_arg(arguments, int);
                break;
            case Short:
                value = (short)va_arg(arguments, int);
                break;
            case Long:
                value = va_arg(arguments, long);
                break;
            case LongLong:
                value = va_arg(arguments, long long);
                break;
            case Size:
                value = (int64_t)(intptr_t)va_arg(arguments, size_t);
                break;
            default:
                value = va_arg(arguments, int);
                break;
            }
            uint64_t magnitude = value < 0 ? 0 - (uint64_t)value : (uint64_t)value;
            putNumber(&output, &conversion, magnitude, value < 0, true, 10, false);
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            uint64_t value;
            switch (length) {
            case Char:
                value = (unsigned char)va_arg(arguments, unsigned);
                break;
            case Short:
                value = (unsigned short)va_arg(arguments, unsigned);
                break;
            case Long:
                value = va_arg(arguments, unsigned long);
                break;
            case LongLong:
                value = va_arg(arguments, unsigned long long);
                break;
            case Size:
                value = va_arg(arguments, size_t);
                break;
            default:
                value = va_arg(arguments, unsigned);
                break;
            }
            unsigned base = kind == 'u' ? 10 : kind == 'o' ? 8 : 16;
            putNumber(&output, &conversion, value, false, false, base, kind == 'X');
            break;
        }
        case 'c': {
            if (length != Plain)
                return false;
            char c = (char)va_arg(arguments, int);
            putPadded(&output, &conversion, &c, 1);
            break;
        }
        case 's': {
            const char* string = va_arg(arguments, const char*);
            if (length != Plain || !string)
                return false;
            size_t count = 0;
            // Only as many characters as the precision allows are read.
            while ((conversion.precision < 0 || count < (size_t)conversion.precision) &&
                   string[count])
                ++count;
            putPadded(&output, &conversion, string, count);
            break;
        }
        case '%':
            put(&output, '%');
            break;
        default:
            return false;
        }
    }
    if (!output.fits)
        return false;
    text[output.length] = '\0';
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
