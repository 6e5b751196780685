// The command line of a run: the text behind the program's name, and its switches.
// Plain text handling with no system calls, so that it builds anywhere.
#pragma once

#include "base/run_types.h"

// The arguments of a process command line: the program name (quoted: up to the next quote;
// unquoted: up to the first blank) and the blanks behind it skipped. Never reads past the
// terminating NUL.
const char* skipProgramName(const char* commandLine);

// Turns the switches of the command line (the text behind the program name) into runFlags.
bool parseSwitches(const char* commandLine, RunFlags* runFlags);
