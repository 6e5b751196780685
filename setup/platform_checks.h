// The platform and privilege checks that guard the run.
#pragma once

#include <windows.h>

bool isAdministrator();
bool enableTakeOwnership();
bool checkPlatform();
bool checkServicePack();

// Whether a token's group list holds the built-in Administrators group, enabled.
bool hasEnabledAdministrators(const TOKEN_GROUPS* groups);

// The decisions of checkPlatform and checkServicePack on a version record as the OS reports it.
bool isSupportedPlatform(const OSVERSIONINFOA* version);
bool hasRequiredServicePack(const OSVERSIONINFOA* version);
