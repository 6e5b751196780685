// formatText against the C library's snprintf: literal text around one or two conversions of
// the program's kinds (%s, %c, %u, %X, the numbers with or without a zero-padded width), into
// a destination of an input-chosen size. Both must agree on whether the text fits and on the
// text itself. Any other conversion the input builds must fail and leave the destination.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "base/bounded_text.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    unsigned number() {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return value;
    }
};

// Both through pointers: the formats are made at run time on purpose.
bool (*volatile format)(char*, size_t, const char*, ...) = formatText;
int (*volatile reference)(char*, size_t, const char*, ...) = snprintf;

// Literal text without conversions.
std::string literal(Input* in) {
    std::string text;
    for (uint8_t n = in->byte() % 8; n > 0; --n) {
        char c = (char)(' ' + in->byte() % 95);
        if (c != '%')
            text += c;
    }
    return text;
}

// One directive: a known kind, or (refused) something else the C library knows.
std::string directive(Input* in, char* kind, bool* known) {
    static const char kinds[] = "scuXdxoi%";
    *kind = kinds[in->byte() % (sizeof kinds - 1)];
    std::string text = "%";
    uint8_t shape = in->byte();
    bool number = *kind == 'u' || *kind == 'X';
    *known = *kind == 's' || *kind == 'c' || number;
    if (shape & 1) {
        text += "0" + std::to_string(1 + shape / 2 % 12);
        *known = *known && number;
    } else if (shape & 2) {
        text += std::to_string(1 + shape / 4 % 12); // a width without zero padding
        *known = false;
    } else if (shape & 4) {
        text += "-";
        *known = false;
    }
    return text + *kind;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in = {data, size, 0};
    size_t destination = 1 + in.byte() % 120;
    char kinds[2];
    bool known[2];
    std::string pattern = literal(&in) + directive(&in, &kinds[0], &known[0]) + literal(&in) +
                          directive(&in, &kinds[1], &known[1]) + literal(&in);
    // The arguments: a number and a text for each conversion.
    unsigned numbers[2] = {in.number(), in.number()};
    std::string rest((const char*)data + in.at, size - in.at);
    std::string texts[2] = {rest.substr(0, rest.find('\0')), "tail"};
    texts[0] = texts[0].substr(0, 300);

    char* mine = (char*)malloc(destination);
    memset(mine, '#', destination);
    char theirs[4096];
    bool formatted;
    int length;
    // Each conversion takes its argument of its kind; %% takes none.
    auto take = [&](int i) -> std::string { return kinds[i] == 's' ? "s" : "n"; };
    std::string signature = (kinds[0] == '%' ? "" : take(0)) + (kinds[1] == '%' ? "" : take(1));
    const char* t0 = texts[0].c_str();
    const char* t1 = texts[1].c_str();
    if (signature == "ss") {
        length = reference(theirs, sizeof theirs, pattern.c_str(), t0, t1);
        formatted = format(mine, destination, pattern.c_str(), t0, t1);
    } else if (signature == "sn") {
        length = reference(theirs, sizeof theirs, pattern.c_str(), t0, numbers[1]);
        formatted = format(mine, destination, pattern.c_str(), t0, numbers[1]);
    } else if (signature == "ns") {
        length = reference(theirs, sizeof theirs, pattern.c_str(), numbers[0], t1);
        formatted = format(mine, destination, pattern.c_str(), numbers[0], t1);
    } else if (signature == "nn") {
        length = reference(theirs, sizeof theirs, pattern.c_str(), numbers[0], numbers[1]);
        formatted = format(mine, destination, pattern.c_str(), numbers[0], numbers[1]);
    } else if (signature == "s") {
        length = reference(theirs, sizeof theirs, pattern.c_str(), t0);
        formatted = format(mine, destination, pattern.c_str(), t0);
    } else if (signature == "n") {
        length = reference(theirs, sizeof theirs, pattern.c_str(), numbers[0]);
        formatted = format(mine, destination, pattern.c_str(), numbers[0]);
    } else {
        length = reference(theirs, sizeof theirs, pattern.c_str());
        formatted = format(mine, destination, pattern.c_str());
    }
    if (!known[0] || !known[1]) {
        if (formatted || mine[0] != '#')
            abort(); // refused, destination untouched
    } else {
        bool fits = length >= 0 && (size_t)length < destination;
        if (formatted != fits)
            abort();
        if (formatted && strcmp(mine, theirs) != 0)
            abort();
        if (!formatted && mine[0] != '#')
            abort();
    }
    free(mine);
    return 0;
}
