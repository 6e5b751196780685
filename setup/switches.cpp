#include "setup/switches.h"

#include <string.h>

const char* skipProgramName(const char* commandLine) {
    // Blanks end the name only outside quotes; every control character counts as a blank.
    const unsigned char* next = (const unsigned char*)commandLine;
    bool quoted = false;
    while (*next > ' ' || (*next && quoted)) {
        if (*next == '"')
            quoted = !quoted;
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
