// The language and machine facts that catalog selections match against.
// One zero-filled record per process; the setup program fills only the two language fields.
#pragma once

#include <stdint.h>

struct QueryEnvironment {
    // The byte stored second is the code's first character, the byte stored first its second.
    char biosIdChars[2];
    uint8_t biosRevision;
    uint16_t systemLanguagePrimary; // systemLanguage & 0x3FF
    uint16_t osLanguagePrimary;
    uint16_t systemLanguage;
    uint16_t osLanguage;
    char familyName[204];      // at most 127 characters
    char machineTypeModel[12]; // type-model, at most 11 characters
    char osVersion[12];        // dotted, at most 11 characters
    char agentName[260];
};
