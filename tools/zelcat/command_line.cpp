#include "tools/zelcat/command_line.h"

#include <string.h>

#include "base/bounded_text.h"

namespace {

bool parseHex(const char* text, unsigned digits, unsigned* value) {
    size_t length = strlen(text);
    if (length == 0 || length > digits)
        return false;
    unsigned result = 0;
    for (const char* p = text; *p; ++p) {
        int digit = hexDigitValue(*p);
        if (digit < 0)
            return false;
        result = result * 16 + (unsigned)digit;
    }
    *value = result;
    return true;
}

bool parseDecimal(const char* text, uint64_t limit, uint64_t* value) {
    if (!*text)
        return false;
    uint64_t result = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        result = result * 10 + (uint64_t)(*p - '0');
        if (result > limit)
            return false;
    }
    *value = result;
    return true;
}

// Buffers larger than this are refused rather than allocated.
const uint64_t MaxBufferSize = 16u * 1024 * 1024;

bool applyOption(const std::string& option, const char* value, CommandLine* line,
                 std::string* reason) {
    QueryEnvironment& environment = line->environment;
    unsigned number = 0;
    uint64_t decimal = 0;
    bool ok = true;
    if (option == "--lang") {
        ok = parseHex(value, 4, &number);
        environment.systemLanguage = (uint16_t)number;
        environment.systemLanguagePrimary = (uint16_t)(number & 0x3FF);
        line->languages.push_back((uint16_t)number);
        line->languageGiven = true;
    } else if (option == "--os-lang") {
        ok = parseHex(value, 4, &number);
        environment.osLanguage = (uint16_t)number;
    } else if (option == "--os-lang-primary") {
        ok = parseHex(value, 4, &number);
        environment.osLanguagePrimary = (uint16_t)number;
    } else if (option == "--bios") {
        // Stored second character first.
        ok = strlen(value) == 2;
        if (ok) {
            environment.biosIdChars[0] = value[1];
            environment.biosIdChars[1] = value[0];
        }
    } else if (option == "--bios-rev") {
        ok = parseHex(value, 2, &number);
        environment.biosRevision = (uint8_t)number;
    } else if (option == "--mtm") {
        ok = copyText(environment.machineTypeModel, sizeof environment.machineTypeModel, value);
    } else if (option == "--os-version") {
        ok = copyText(environment.osVersion, sizeof environment.osVersion, value);
    } else if (option == "--family") {
        ok = copyText(environment.familyName, 128, value);
    } else if (option == "--agent") {
        ok = copyText(environment.agentName, sizeof environment.agentName, value);
    } else if (option == "--codepage") {
        ok = parseDecimal(value, 65535, &decimal);
        line->codePage = (unsigned)decimal;
        line->codePageGiven = true;
    } else if (option == "--size") {
        ok = parseDecimal(value, MaxBufferSize, &decimal);
        line->bufferSize = (uint32_t)decimal;
    } else if (option == "--release") {
        line->release = value;
        line->releaseGiven = true;
    } else if (option == "--product") {
        line->product = value;
        line->productGiven = true;
    } else if (option == "--default") {
        line->defaultValue = value;
        line->defaultGiven = true;
    } else if (option == "--program-files") {
        line->programFiles = value;
        line->programFilesGiven = true;
    } else if (option == "--start-menu") {
        line->startMenu = value;
        line->startMenuGiven = true;
    } else if (option == "--desktop") {
        line->desktop = value;
        line->desktopGiven = true;
    } else {
        *reason = "unknown option " + option;
        return false;
    }
    if (!ok)
        *reason = "bad value for " + option + ": \"" + value + "\"";
    return ok;
}

} // namespace

bool parseIndex(const std::string& text, uint32_t* index) {
    uint64_t value = 0;
    if (text.size() > 10 || !parseDecimal(text.c_str(), 0xFFFFFFFFu, &value))
        return false;
    *index = (uint32_t)value;
    return true;
}

bool parseCommandLine(int argc, char** argv, CommandLine* line, std::string* reason) {
    line->subcommand.clear();
    line->arguments.clear();
    line->environment = QueryEnvironment();
    line->environment.systemLanguage = 0x0409;
    line->environment.systemLanguagePrimary = 0x0409 & 0x3FF;
    line->languageGiven = false;
    line->bufferSize = 260;
    line->codePage = 1252;
    line->codePageGiven = false;
    line->html = false;
    line->hex = false;
    line->release = "RELEASE";
    line->product = "QUOLEN";
    line->releaseGiven = false;
    line->productGiven = false;
    line->defaultValue.clear();
    line->defaultGiven = false;
    line->languages.clear();
    line->programFiles.clear();
    line->startMenu.clear();
    line->desktop.clear();
    line->programFilesGiven = line->startMenuGiven = line->desktopGiven = false;
    line->json = false;
    line->dataOnly = false;
    if (argc < 2) {
        *reason = "no subcommand";
        return false;
    }
    line->subcommand = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument.compare(0, 2, "--") != 0) {
            line->arguments.push_back(argument);
            continue;
        }
        if (argument == "--html" || argument == "--json" || argument == "--data-only") {
            (argument == "--html"   ? line->html
             : argument == "--json" ? line->json
                                    : line->dataOnly) = true;
            continue;
        }
        if (argument == "--hex") {
            line->hex = true;
            continue;
        }
        if (i + 1 >= argc) {
            *reason = "option " + argument + " needs a value";
            return false;
        }
        if (!applyOption(argument, argv[++i], line, reason))
            return false;
    }
    return true;
}
