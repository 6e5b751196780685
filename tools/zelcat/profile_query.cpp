#include "tools/zelcat/profile_query.h"

#include <vector>

#include "base/bounded_text.h"
#include "setupdata/string_reference.h"
#include "tools/zelcat/profile_source.h"
#include "tools/zelcat/queries.h"

namespace {

std::string place(const std::string& path, unsigned line) {
    return path + ":" + std::to_string(line) + ": ";
}

std::string entry(const ProfileRead& read) {
    return "[" + read.section + "] " + read.key;
}

std::string languageSection(uint16_t language) {
    char name[32];
    formatText(name, sizeof name, "[STRINGS.%04X]", language);
    return name;
}

// Why a read gave no characters, which setup takes for a missing value.
int explainMissing(const ProfileSource& source, const CommandLine& line, std::string* reason) {
    const ProfileRead& first = source.reads.front();
    const ProfileRead& last = source.reads.back();
    if (source.reads.size() > 1) {
        *reason = place(source.path, first.line) + entry(first) + " refers to \"" + last.key +
                  "\", missing from " + languageSection(line.environment.systemLanguage) + ", " +
                  languageSection(line.environment.systemLanguagePrimary) + " and [STRINGS]";
        return Failed;
    }
    if (last.line) {
        *reason = place(source.path, last.line) + entry(last) + " reads as empty";
        return EmptyValue;
    }
    if (last.keyLine) {
        *reason = place(source.path, last.keyLine) + entry(last) + " has no \"=\"";
        return Failed;
    }
    *reason = source.path + ": no " + entry(last);
    return Failed;
}

} // namespace

int runIni(const CommandLine& line, std::string* out, std::string* reason) {
    ProfileSource source;
    if (!openProfileSource(line.arguments[0], &source)) {
        *reason = "cannot read " + line.arguments[0];
        return UsageError;
    }
    const char* section = line.arguments[1].c_str();
    const char* key = line.arguments[2].c_str();
    const char* defaultValue = line.defaultValue.c_str();
    std::vector<char> value(line.bufferSize ? line.bufferSize : 1, '\0');
    unsigned count = line.languageGiven
                         ? resolveSetupString(section, key, defaultValue, value.data(),
                                              line.bufferSize, line.environment.systemLanguage,
                                              line.environment.systemLanguagePrimary,
                                              readFromProfileSource, &source)
                         : readFromProfileSource(section, key, defaultValue, value.data(),
                                                 line.bufferSize, &source);
    if (source.disagreed) {
        *reason = source.path + ": the system reads this file unlike zelcat's scan, whose " +
                  "line numbers are therefore wrong";
        return Failed;
    }
    if (count == 0)
        return explainMissing(source, line, reason);
    const ProfileRead& origin = source.reads.back();
    out->append(value.data(), count);
    out->push_back('\n');
    out->append(place(source.path, origin.line) + entry(origin) + "\n");
    return Done;
}
