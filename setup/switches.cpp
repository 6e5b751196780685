#include "setup/switches.h"

#include <string.h>

const char* skipProgramName(const char* commandLine) {
    // The platform's rule for the program name: a quoted name runs to the next quote,
    // whatever follows it; an unquoted one to the first blank. Every control character
    // counts as a blank.
    const unsigned char* next = (const unsigned char*)commandLine;
    if (*next == '"') {
        ++next;
        while (*next && *next != '"')
            ++next;
        if (*next)
            ++next;
    } else {
        while (*next > ' ')
            ++next;
    }
    while (*next && *next <= ' ')
        ++next;
    return (const char*)next;
}

bool parseSwitches(const char* commandLine, RunFlags* runFlags) {
    // Only the first character behind each "/" counts, so /S/U, /s /u and
    // /Silent /Uninstall are the same.
    for (const char* slash = strchr(commandLine, '/'); slash; slash = strchr(slash + 1, '/')) {
        switch (slash[1]) {
        case 'F':
        case 'f':
            *runFlags |= NoFinalMessage;
            break;
        case 'O':
        case 'o':
            *runFlags |= Relaunch;
            break;
        case 'S':
        case 's':
            *runFlags |= Silent;
            break;
        case 'U':
        case 'u':
            *runFlags &= ~(RunFlags)Install;
            break;
        case 'W':
        case 'w':
            *runFlags |= NoShellItems;
            break;
        default:
            break;
        }
    }
    return true;
}
