#include "tools/zelcat/profile_file.h"

#include <stdio.h>
#include <string.h>

#include "base/bounded_text.h"
#include "tools/zelcat/file_bytes.h"
#include "xml/text_conversion.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

void trim(const char** begin, const char** end) {
    while (*begin < *end && isBlank(**begin))
        ++*begin;
    while (*end > *begin && isBlank((*end)[-1]))
        --*end;
}

// The text between begin and end without the blanks around it.
std::string trimmed(const char* begin, const char* end) {
    trim(&begin, &end);
    return std::string(begin, end);
}

std::string trimmed(const char* text) {
    return trimmed(text, text + strlen(text));
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && equalIgnoringCase(a.c_str(), b.c_str(), a.size());
}

// Names and values are strings to the system: a NUL ends them. Byte-order-marked text is
// scanned as UTF-8, whose multi-byte characters hold no blank, bracket, "=" or line end, and
// handed out in the ANSI code page.
bool finish(std::string* text, ProfileEncoding encoding) {
    text->resize(strlen(text->c_str()));
    if (encoding == AnsiProfile || text->empty())
        return true;
    uint32_t size = 0;
    if (!utf8ToAnsi(text->c_str(), nullptr, &size))
        return false;
    std::vector<char> ansi(size);
    if (!utf8ToAnsi(text->c_str(), ansi.data(), &size))
        return false;
    text->assign(ansi.data());
    return true;
}

// A character up to U+FFFF.
void appendUtf8(std::string* text, uint32_t codePoint) {
    if (codePoint < 0x80) {
        text->push_back((char)codePoint);
    } else if (codePoint < 0x800) {
        text->push_back((char)(0xC0 | codePoint >> 6));
        text->push_back((char)(0x80 | (codePoint & 0x3F)));
    } else {
        text->push_back((char)(0xE0 | codePoint >> 12));
        text->push_back((char)(0x80 | (codePoint >> 6 & 0x3F)));
        text->push_back((char)(0x80 | (codePoint & 0x3F)));
    }
}

const uint32_t ReplacementCharacter = 0xFFFD;

// The system reads marked text as UTF-16 and hands out each unit that the code page lacks as
// one default character, so a character beyond U+FFFF (two units) comes out as two of them.
// Here every surrogate becomes U+FFFD, which no single-byte code page holds.
std::string utf16ToUtf8(const unsigned char* bytes, size_t size, bool bigEndian) {
    std::string text;
    size_t count = size / 2; // an odd last byte is no character
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* p = bytes + 2 * i;
        uint32_t unit = bigEndian ? (uint32_t)(p[0] << 8 | p[1]) : (uint32_t)(p[1] << 8 | p[0]);
        appendUtf8(&text, unit >= 0xD800 && unit <= 0xDFFF ? ReplacementCharacter : unit);
    }
    return text;
}

// UTF-8 with every character beyond U+FFFF written as two U+FFFD, its two UTF-16 units.
std::string splitSupplementary(const unsigned char* bytes, size_t size) {
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        unsigned char lead = bytes[i];
        bool supplementary = lead >= 0xF0 && lead <= 0xF4 && i + 3 < size &&
                             bytes[i + 1] >= (lead == 0xF0 ? 0x90 : 0x80) &&
                             bytes[i + 1] <= (lead == 0xF4 ? 0x8F : 0xBF) &&
                             (bytes[i + 2] & 0xC0) == 0x80 && (bytes[i + 3] & 0xC0) == 0x80;
        if (!supplementary) {
            text.push_back((char)lead);
            continue;
        }
        appendUtf8(&text, ReplacementCharacter);
        appendUtf8(&text, ReplacementCharacter);
        i += 3;
    }
    return text;
}

bool addLine(const char* begin, const char* end, unsigned line, ProfileFile* profile) {
    trim(&begin, &end);
    if (begin == end)
        return true;
    if (*begin == '[') {
        const char* close = end - 1;
        while (close > begin && *close != ']')
            --close;
        if (close > begin) {
            ProfileSection section = {trimmed(begin + 1, close), line, {}};
            profile->sections.push_back(section);
            return finish(&profile->sections.back().name, profile->encoding);
        }
    }
    const char* equals = (const char*)memchr(begin, '=', (size_t)(end - begin));
    ProfileKey key = {trimmed(begin, equals ? equals : end),
                      equals ? trimmed(equals + 1, end) : std::string(), equals != nullptr, line};
    if (!finish(&key.name, profile->encoding) || !finish(&key.value, profile->encoding))
        return false;
    profile->sections.back().keys.push_back(key);
    return true;
}

} // namespace

bool parseProfile(const char* bytes, size_t size, ProfileFile* profile) {
    const unsigned char* data = (const unsigned char*)bytes;
    std::string decoded;
    profile->encoding = AnsiProfile;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        profile->encoding = Utf8Profile;
        decoded = splitSupplementary(data + 3, size - 3);
    } else if (size >= 2 &&
               ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
        bool bigEndian = data[0] == 0xFE;
        profile->encoding = bigEndian ? Utf16BigEndianProfile : Utf16LittleEndianProfile;
        decoded = utf16ToUtf8(data + 2, size - 2, bigEndian);
    }
    if (profile->encoding != AnsiProfile) {
        bytes = decoded.data();
        size = decoded.size();
    }

    profile->sections.assign(1, ProfileSection{"", 0, {}});
    const char* end = bytes + size;
    unsigned line = 0;
    for (const char* p = bytes; p < end;) {
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        if (!addLine(p, lineEnd, ++line, profile))
            return false;
        p = lineEnd + (lineEnd + 1 < end && lineEnd[0] == '\r' && lineEnd[1] == '\n' ? 2 : 1);
    }
    return true;
}

bool loadProfile(const char* path, ProfileFile* profile) {
    std::vector<char> data;
    return readWholeFile(path, &data) && parseProfile(data.data(), data.size(), profile);
}

const ProfileSection* findProfileSection(const ProfileFile& profile, const char* name) {
    std::string wanted = trimmed(name);
    for (const ProfileSection& section : profile.sections) {
        if (sameName(section.name, wanted))
            return &section;
    }
    return nullptr;
}

const ProfileKey* findProfileKey(const ProfileFile& profile, const char* section, const char* key) {
    const ProfileSection* found = findProfileSection(profile, section);
    if (!found)
        return nullptr;
    std::string wanted = trimmed(key);
    for (const ProfileKey& entry : found->keys) {
        if (sameName(entry.name, wanted))
            return &entry;
    }
    return nullptr;
}

unsigned readProfileValue(const ProfileFile& profile, const char* section, const char* key,
                          const char* defaultValue, char* output, unsigned size, unsigned* line) {
    const ProfileKey* found = findProfileKey(profile, section, key);
    std::string value;
    *line = 0;
    if (found && found->hasValue) {
        value = found->value;
        *line = found->line;
    } else {
        value = defaultValue ? defaultValue : "";
        value.resize(value.find_last_not_of(' ') + 1);
    }
    if (size == 0)
        return 0;

    // A quoted value is copied from behind its opening quote and, when the copy reaches the
    // buffer's end or the closing quote, loses its last character: the closing quote, or
    // with a buffer one byte too short for it, the last character of the text.
    const char* text = value.c_str();
    size_t length = value.size();
    bool quoted = length >= 2 && (text[0] == '"' || text[0] == '\'') && text[length - 1] == text[0];
    if (quoted) {
        ++text;
        --length;
    }
    size_t count = length < size - 1 ? length : size - 1;
    if (quoted && size >= length && count > 0)
        --count;
    memcpy(output, text, count);
    output[count] = '\0';
    return (unsigned)count;
}
