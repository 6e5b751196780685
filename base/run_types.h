// The bit set of a run and its step codes.
#pragma once

#include <stdint.h>
#include <string.h>

typedef uint32_t RunFlags;

enum RunFlag : RunFlags {
    Install = 0x001,        // cleared by /U: uninstall mode; the mode of every writer
    Silent = 0x002,         // /S
    Relaunch = 0x004,       // /O
    NoShellItems = 0x100,   // /W
    NoFinalMessage = 0x200, // /F
};

// The step code of a run; also the string id naming the failed step group.
typedef uint32_t ResultCode;

enum ResultCodeValue : ResultCode {
    ResultSuccess = 0,
    ResultInitialization = 8,
    ResultFileDeployment = 9,
    ResultFileRemoval = 10,
    ResultShortcuts = 11,
    ResultRegistration = 12,
    ResultServicePack = 13,
    ResultPlatform = 15,
};

// Release texts such as "1.03.0000" compare as unsigned bytes over at most 10 bytes
// (nine characters and the NUL), never as numbers.
inline int compareVersionText(const char* left, const char* right) {
    return strncmp(left, right, 10);
}
