// zelcat check: a preflight of whole setup media. Reads the media folder the way setup.exe
// reads it and shows, for each language, what setup will record on a system of that language,
// then every problem it finds, with its file and line.
#pragma once

#include <string>

#include "tools/zelcat/command_line.h"

// MEDIA_DIR in line.arguments[0]; languages, bases and --json from line. Appends the report to
// out (also when there are problems: exit 1) or sets a one-line reason (exit 2).
int runCheck(const CommandLine& line, std::string* out, std::string* reason);
