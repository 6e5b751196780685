#include "setupdata/status_path.h"

#include <string.h>

#include "base/bounded_text.h"

void shortenStatusPath(const char* path, char* shown, size_t size, int width,
                       int (*measure)(const char* text, void* context), void* context) {
    if (!copyText(shown, size, path)) {
        if (size > 0)
            shown[0] = '\0';
        return;
    }
    const char* lastComponent = strrchr(path, '\\');
    // Each round drops one component before the last: C:\A\B\C, C:\A ... \C, C: ... \C.
    while (lastComponent && measure(shown, context) >= width) {
        char* last = strrchr(shown, '\\');
        if (!last || last == strchr(shown, '\\'))
            return; // fewer than two backslashes
        *last = '\0';
        char* newLast = strrchr(shown, '\\');
        char shorter[TextBufferSize];
        *newLast = '\0';
        if (!formatText(shorter, sizeof shorter, "%s ... %s", shown, lastComponent) ||
            !copyText(shown, size, shorter)) {
            *newLast = '\\';
            *last = '\\';
            return;
        }
    }
}
