// The run from start to end: switches, the step sequence, the final report.
#pragma once

#include <windows.h>

#include "base/run_types.h"

// The program's entry procedure; returns the process exit code.
ResultCode runSetup(HINSTANCE instance, const char* commandLine);
