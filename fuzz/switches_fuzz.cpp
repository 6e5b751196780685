// The command line: the program name skipped the way the entry does it, and the switches
// read from what follows. Checked against the rules restated as substring tests.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "setup/switches.h"

namespace {

bool has(const std::string& line, const char* a, const char* b) {
    return line.find(a) != std::string::npos || line.find(b) != std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line((const char*)data, size);
    line = line.substr(0, line.find('\0'));
    // An exact copy on the heap, so that any read past its NUL is caught.
    char* text = (char*)malloc(line.size() + 1);
    memcpy(text, line.c_str(), line.size() + 1);

    const char* arguments = skipProgramName(text);
    if (arguments < text || arguments > text + line.size())
        abort();
    // A quoted name ends behind its closing quote, an unquoted one at the first blank; the
    // blanks behind it are skipped.
    size_t end = 0;
    if (!line.empty() && line[0] == '"') {
        size_t closing = line.find('"', 1);
        end = closing == std::string::npos ? line.size() : closing + 1;
    } else {
        while (end < line.size() && (unsigned char)line[end] > ' ')
            ++end;
    }
    while (end < line.size() && (unsigned char)line[end] <= ' ')
        ++end;
    if (arguments != text + end)
        abort();

    RunFlags flags = Install;
    if (!parseSwitches(text, &flags))
        abort();
    RunFlags expected = Install;
    if (has(line, "/f", "/F"))
        expected |= NoFinalMessage;
    if (has(line, "/o", "/O"))
        expected |= Relaunch;
    if (has(line, "/s", "/S"))
        expected |= Silent;
    if (has(line, "/w", "/W"))
        expected |= NoShellItems;
    if (has(line, "/u", "/U"))
        expected &= ~(RunFlags)Install;
    if (flags != expected)
        abort();
    free(text);
    return 0;
}
