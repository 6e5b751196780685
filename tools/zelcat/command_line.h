// The command line of zelcat: SUBCOMMAND FILE [ARGS] [OPTIONS], options anywhere after the
// subcommand.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "base/query_environment.h"

struct CommandLine {
    std::string subcommand;
    std::vector<std::string> arguments; // FILE first, then the subcommand's own arguments
    QueryEnvironment environment;       // systemLanguage 0409 unless --lang says otherwise
    bool languageGiven;
    uint32_t bufferSize;
    unsigned codePage;
    bool codePageGiven;
    bool html;
    bool hex;
    std::string release;
    std::string product;
    bool releaseGiven;
    bool productGiven;
    std::string defaultValue; // ini: the value of a missing key
    bool defaultGiven;
    // check: every --lang given, the folders its paths start from, and the JSON form.
    std::vector<uint16_t> languages;
    std::string programFiles;
    std::string startMenu;
    std::string desktop;
    bool programFilesGiven;
    bool startMenuGiven;
    bool desktopGiven;
    bool json;
    bool dataOnly; // check: the setup data and release source, not the file set
};

// Fills line from argv[1..]; false with a one-line reason for a usage error.
bool parseCommandLine(int argc, char** argv, CommandLine* line, std::string* reason);
// INDEX arguments: decimal, 0 to 4294967295, at most ten digits.
bool parseIndex(const std::string& text, uint32_t* index);
