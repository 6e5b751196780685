#include "registry/version_display.h"

#include <string.h>

#include "base/bounded_text.h"

void formatVersionDisplay(char* version) {
    // Eight hexadecimal digits: major byte, minor byte, 16-bit build. Any other text (including
    // eight characters that are not all hexadecimal digits) is shown as stored.
    if (strlen(version) != 8)
        return;
    unsigned value = 0;
    for (int i = 0; i < 8; ++i) {
        int digit = hexDigitValue(version[i]);
        if (digit < 0)
            return;
        value = value << 4 | (unsigned)digit;
    }
    formatText(version, sizeof "FF.FF.FFFF", "%X.%02X.%04X", value >> 24, (value >> 16) & 0xFF,
               value & 0xFFFF);
}
