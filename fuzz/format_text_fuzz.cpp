// formatText against the C library's snprintf: one conversion per call, built from the input
// within the C standard's defined forms (flags, width, precision, length modifier, conversion,
// literal text around it), with typed arguments, into a destination of an input-chosen size.
// Both must agree on whether the text fits and on the text itself.
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "xml/bounded_text.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    uint64_t wide() {
        uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value = value << 8 | byte();
        return value;
    }
};

// Both through pointers: the formats are made at run time on purpose.
bool (*volatile format)(char*, size_t, const char*, ...) = formatText;
int (*volatile reference)(char*, size_t, const char*, ...) = snprintf;

template <typename... Arguments>
void check(size_t size, const std::string& pattern, Arguments... arguments) {
    char* mine = (char*)malloc(size);
    memset(mine, '#', size);
    char theirs[4096];
    int length = reference(theirs, sizeof theirs, pattern.c_str(), arguments...);
    bool fits = length >= 0 && (size_t)length < size && (size_t)length < sizeof theirs;
    bool formatted = format(mine, size, pattern.c_str(), arguments...);
    if (formatted != fits)
        abort();
    if (formatted && strcmp(mine, theirs) != 0)
        abort();
    if (!formatted && mine[0] != '#')
        abort(); // a failed format leaves the destination
    free(mine);
}

template <typename Value>
void withStars(Input* in, size_t size, const std::string& pattern, bool starWidth,
               bool starPrecision, Value value) {
    int width = (int8_t)in->byte();
    int precision = (int8_t)in->byte();
    if (starWidth && starPrecision)
        check(size, pattern, width, precision, value);
    else if (starWidth)
        check(size, pattern, width, value);
    else if (starPrecision)
        check(size, pattern, precision, value);
    else
        check(size, pattern, value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in = {data, size, 0};
    size_t destination = 1 + in.byte() % 200;
    uint8_t shape = in.byte();
    const char conversions[] = "diuxXocs%";
    char conversion = conversions[in.byte() % (sizeof conversions - 1)];
    bool text = conversion == 's' || conversion == 'c';
    bool number = !text && conversion != '%';

    std::string directive = "%";
    if (conversion != '%') {
        if (shape & 1)
            directive += '-';
        if ((shape & 2) && (conversion == 'd' || conversion == 'i'))
            directive += '+';
        if ((shape & 4) && (conversion == 'd' || conversion == 'i'))
            directive += ' ';
        if ((shape & 8) && strchr("xXo", conversion))
            directive += '#';
        if ((shape & 16) && number)
            directive += '0';
    }
    bool starWidth = false, starPrecision = false;
    uint8_t widthChoice = in.byte();
    if (conversion != '%') {
        if (widthChoice & 0x80)
            starWidth = true, directive += '*';
        else if (widthChoice & 0x40)
            directive += std::to_string(widthChoice % 40);
        uint8_t precisionChoice = in.byte();
        if (conversion != 'c') {
            if (precisionChoice & 0x80)
                starPrecision = true, directive += ".*";
            else if (precisionChoice & 0x40)
                directive += "." + std::to_string(precisionChoice % 30);
        }
    }
    const char* lengths[] = {"", "hh", "h", "l", "ll", "z"};
    const char* length = number ? lengths[in.byte() % 6] : "";
    directive += length;
    directive += conversion;

    // Literal text around the conversion, without further conversions.
    std::string before, after;
    for (uint8_t n = in.byte() % 8; n > 0; --n)
        before += (char)(' ' + in.byte() % 95);
    for (uint8_t n = in.byte() % 8; n > 0; --n)
        after += (char)(' ' + in.byte() % 95);
    for (std::string* part : {&before, &after}) {
        std::string escaped;
        for (char c : *part)
            escaped += c == '%' ? std::string("%%") : std::string(1, c);
        *part = escaped;
    }
    std::string pattern = before + directive + after;

    uint64_t value = in.wide();
    std::string string((const char*)data + in.at, size - in.at);
    string = string.substr(0, string.find('\0'));
    if (conversion == '%') {
        check(destination, pattern);
    } else if (conversion == 's') {
        withStars(&in, destination, pattern, starWidth, starPrecision, string.c_str());
    } else if (conversion == 'c') {
        withStars(&in, destination, pattern, starWidth, starPrecision, (int)(char)value);
    } else if (!strcmp(length, "ll")) {
        withStars(&in, destination, pattern, starWidth, starPrecision, (long long)value);
    } else if (!strcmp(length, "l")) {
        withStars(&in, destination, pattern, starWidth, starPrecision, (long)value);
    } else if (!strcmp(length, "z")) {
        withStars(&in, destination, pattern, starWidth, starPrecision, (size_t)value);
    } else {
        withStars(&in, destination, pattern, starWidth, starPrecision, (int)value);
    }
    return 0;
}
