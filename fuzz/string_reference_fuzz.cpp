// The %KEY% rule over a profile read the way the system's profile reader reads one. Input: the
// output size (two bytes), the key to read from [INIT] up to a line feed, then profile text.
// The result is compared with the rule restated over whole strings.
#include <ctype.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>

#include "setupdata/string_reference.h"

namespace {

std::string upper(std::string text) {
    for (char& c : text)
        c = (char)toupper((unsigned char)c);
    return text;
}

// Sections and keys compare without letter case; the first occurrence of a key counts.
struct Profile {
    std::map<std::string, std::map<std::string, std::string>> sections;

    const std::string* find(const std::string& section, const std::string& key) const {
        auto s = sections.find(upper(section));
        if (s == sections.end())
            return nullptr;
        auto k = s->second.find(upper(key));
        return k == s->second.end() ? nullptr : &k->second;
    }
};

Profile parse(const std::string& text) {
    Profile profile;
    std::string section;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() + 1 : end + 1;
        if (!line.empty() && line[0] == '[') {
            section = upper(line.substr(1, line.find(']') - 1));
            continue;
        }
        size_t equals = line.find('=');
        if (equals != std::string::npos && equals > 0)
            profile.sections[section].emplace(upper(line.substr(0, equals)),
                                              line.substr(equals + 1));
    }
    return profile;
}

unsigned readProfile(const char* section, const char* key, const char* defaultValue, char* output,
                     unsigned size, void* context) {
    const std::string* found = ((const Profile*)context)->find(section, key);
    std::string value = found ? *found : defaultValue;
    if (size == 0)
        return 0;
    size_t count = value.size() < size - 1 ? value.size() : size - 1;
    memcpy(output, value.data(), count);
    output[count] = '\0';
    return (unsigned)count;
}

std::string cut(const std::string& text, size_t size) {
    return size == 0 ? std::string() : text.substr(0, size - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    unsigned outputSize = (data[0] | data[1] << 8) % 600;
    std::string rest((const char*)data + 2, size - 2);
    rest = rest.substr(0, rest.find('\0'));
    size_t newline = rest.find('\n');
    std::string key = rest.substr(0, newline);
    Profile profile = parse(newline == std::string::npos ? "" : rest.substr(newline + 1));

    char* output = (char*)malloc(outputSize ? outputSize : 1);
    memset(output, '#', outputSize ? outputSize : 1);
    unsigned count = resolveSetupString("INIT", key.c_str(), "", output, outputSize, 0x0407, 0x0007,
                                        readProfile, &profile);

    // The rule restated: the value cut to the first read's buffer; a reference is looked up
    // in STRINGS.0407, STRINGS.0007, STRINGS, the text found cut to the output.
    std::string expected;
    const std::string* raw = profile.find("INIT", key);
    std::string value = cut(raw ? *raw : "", outputSize < 260 ? outputSize : 260);
    if (!value.empty()) {
        if (value.front() != '%' || value.back() != '%') {
            expected = value;
        } else {
            std::string reference = value.size() > 1 ? value.substr(1, value.size() - 2) : "";
            for (const char* section : {"STRINGS.0407", "STRINGS.0007", "STRINGS"}) {
                const std::string* found = profile.find(section, reference);
                expected = cut(found ? *found : "", outputSize);
                if (!expected.empty())
                    break;
            }
        }
    }
    if (count != expected.size())
        abort();
    if (count > 0 && (count >= outputSize || memcmp(output, expected.c_str(), count + 1) != 0))
        abort();
    free(output);
    return 0;
}
