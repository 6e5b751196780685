#include "setupdata/string_reference.h"

#include <string.h>

#include "base/bounded_text.h"

unsigned resolveSetupString(const char* section, const char* key, const char* defaultValue,
                            char* output, unsigned outputSize, uint16_t language,
                            uint16_t primaryLanguage, ProfileReader read, void* context) {
    char value[TextBufferSize];
    unsigned size = outputSize < sizeof value ? outputSize : (unsigned)sizeof value;
    unsigned count = read(section, key, defaultValue, value, size, context);
    if (count == 0)
        return 0;
    if (value[0] != '%' || value[count - 1] != '%') {
        memcpy(output, value, count + 1);
        return count;
    }

    // %KEY%: the entry KEY of the system language's section, then of its primary language's,
    // then of the neutral one. The text found is used as it stands.
    value[count - 1] = '\0';
    const char* reference = count > 1 ? value + 1 : value; // a lone "%" names the empty key
    char strings[32];
    formatText(strings, sizeof strings, "STRINGS.%04X", language);
    count = read(strings, reference, "", output, outputSize, context);
    if (count != 0)
        return count;
    formatText(strings, sizeof strings, "STRINGS.%04X", primaryLanguage);
    count = read(strings, reference, "", output, outputSize, context);
    if (count != 0)
        return count;
    return read("STRINGS", reference, "", output, outputSize, context);
}
