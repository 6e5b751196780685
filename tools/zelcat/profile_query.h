// zelcat ini: one value of a profile file as setup reads it, and where it came from.
#pragma once

#include <string>

#include "tools/zelcat/command_line.h"

// FILE SECTION KEY in line.arguments; with --lang, %KEY% references resolved as setup resolves
// them. Appends the value and its origin to out, or sets a one-line reason; the exit code.
int runIni(const CommandLine& line, std::string* out, std::string* reason);
