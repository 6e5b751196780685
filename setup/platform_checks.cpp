#include "setup/platform_checks.h"

#include "base/platform.h"

bool isAdministrator() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    TOKEN_GROUPS* groups = nullptr;
    if (GetTokenInformation(token, TokenGroups, nullptr, 0, &size) ||
        GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        groups = (TOKEN_GROUPS*)GlobalAlloc(GPTR, size);
        if (groups && !GetTokenInformation(token, TokenGroups, groups, size, &size)) {
            GlobalFree(groups);
            groups = nullptr;
        }
    }
    CloseHandle(token);
    if (!groups)
        return false;
    bool administrator = hasEnabledAdministrators(groups);
    GlobalFree(groups);
    return administrator;
}

bool hasEnabledAdministrators(const TOKEN_GROUPS* groups) {
    bool administrator = false;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators;
    if (AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                 DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        // A deny-only membership is present but not enabled: it does not count.
        for (DWORD i = 0; i < groups->GroupCount; ++i) {
            if (EqualSid(groups->Groups[i].Sid, administrators) &&
                (groups->Groups[i].Attributes & SE_GROUP_ENABLED))
                administrator = true;
        }
        FreeSid(administrators);
    }
    return administrator;
}

bool enableTakeOwnership() {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges;
    bool enabled = LookupPrivilegeValueA(nullptr, "SeTakeOwnershipPrivilege",
                                         &privileges.Privileges[0].Luid) != FALSE;
    if (enabled) {
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        enabled = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) != FALSE;
    }
    CloseHandle(token);
    return enabled;
}

bool isSupportedPlatform(const OSVERSIONINFOA* version) {
    switch (version->dwPlatformId) {
    case VER_PLATFORM_WIN32_NT:
        return version->dwMajorVersion >= 4;
    case VER_PLATFORM_WIN32_WINDOWS:
        // Windows 95 is 4.0; 98 is 4.10 and Me 4.90.
        return !(version->dwMajorVersion == 4 && version->dwMinorVersion == 0);
    default:
        return false;
    }
}

bool hasRequiredServicePack(const OSVERSIONINFOA* version) {
    if (version->dwPlatformId != VER_PLATFORM_WIN32_NT || version->dwMajorVersion != 4)
        return true;
    // NT 4.0 without any service pack reports an empty text: it lacks Service Pack 4 too.
    size_t length = 0;
    while (length < sizeof version->szCSDVersion && version->szCSDVersion[length])
        ++length;
    if (length == 0)
        return false;
    return (signed char)version->szCSDVersion[length - 1] >= '4';
}

bool checkPlatform() {
    OSVERSIONINFOA version;
    return readVersion(&version) && isSupportedPlatform(&version);
}

bool checkServicePack() {
    OSVERSIONINFOA version;
    return readVersion(&version) && hasRequiredServicePack(&version);
}
