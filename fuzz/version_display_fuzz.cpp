// The shown form of a stored version: eight hexadecimal digits become "%X.%02X.%04X", any
// other text stays; nothing beyond the longest shown form is written.
#include <ctype.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "registry/version_display.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string stored((const char*)data, size < 259 ? size : 259);
    stored = stored.substr(0, stored.find('\0'));
    char* version = (char*)malloc(260);
    memset(version, '#', 260);
    memcpy(version, stored.c_str(), stored.size() + 1);
    formatVersionDisplay(version);

    bool hex = stored.size() == 8;
    for (char c : stored)
        hex = hex && isxdigit((unsigned char)c);
    if (hex) {
        unsigned long value = strtoul(stored.c_str(), nullptr, 16);
        char expected[16];
        snprintf(expected, sizeof expected, "%lX.%02lX.%04lX", value >> 24, (value >> 16) & 0xFF,
                 value & 0xFFFF);
        if (strcmp(version, expected) != 0)
            abort();
    } else if (stored != version) {
        abort();
    }
    for (size_t i = stored.size() + 1 > 11 ? stored.size() + 1 : 11; i < 260; ++i) {
        if (version[i] != '#')
            abort();
    }
    free(version);
    return 0;
}
