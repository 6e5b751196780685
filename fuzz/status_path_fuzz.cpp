// The status line of the folder browser. Input: the width, the status buffer's size, a width
// per character class, then the path. The shortened text must stay inside its buffer, keep
// the path's last component, and end as soon as it is narrow enough or cannot shrink further.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "setupdata/status_path.h"

namespace {

struct Ruler {
    int perCharacter;
    int perBackslash;
    int calls;
};

int measure(const char* text, void* context) {
    Ruler* ruler = (Ruler*)context;
    ++ruler->calls;
    int width = 0;
    for (; *text; ++text)
        width += *text == '\\' ? ruler->perBackslash : ruler->perCharacter;
    return width;
}

size_t count(const std::string& text, char c) {
    size_t n = 0;
    for (char x : text)
        n += x == c;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    int width = data[0] * 4;
    size_t bufferSize = data[1] + 1;
    Ruler ruler = {data[2] % 16, data[3] % 16, 0};
    std::string path((const char*)data + 4, size - 4);
    path = path.substr(0, path.find('\0'));

    char* shown = (char*)malloc(bufferSize);
    shortenStatusPath(path.c_str(), shown, bufferSize, width, measure, &ruler);
    std::string result(shown, strnlen(shown, bufferSize));
    if (result.size() >= bufferSize)
        abort(); // not terminated inside its buffer
    if (path.size() >= bufferSize) {
        if (!result.empty())
            abort(); // a path that does not fit shows empty
    } else {
        if (ruler.calls > (int)count(path, '\\') + 1)
            abort(); // every round removes a backslash
        size_t last = path.rfind('\\');
        if (result != path) {
            if (last == std::string::npos || result.find(" ... ") == std::string::npos ||
                result.size() < path.size() - last ||
                result.compare(result.size() - (path.size() - last), std::string::npos, path,
                               last) != 0)
                abort();
        }
        // Narrow enough, or no further round possible: fewer than two backslashes, or the next
        // round's text would not fit.
        if (last != std::string::npos && measure(result.c_str(), &ruler) >= width &&
            count(result, '\\') >= 2) {
            std::string next = result.substr(0, result.rfind('\\'));
            next = next.substr(0, next.rfind('\\')) + " ... " + path.substr(last);
            if (next.size() < bufferSize && next.size() < 260)
                abort();
        }
    }
    free(shown);
    return 0;
}
