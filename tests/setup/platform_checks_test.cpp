#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "setup/platform_checks.h"

namespace {

OSVERSIONINFOA version(DWORD platform, DWORD major, DWORD minor, const char* servicePack) {
    OSVERSIONINFOA record = {};
    record.dwOSVersionInfoSize = sizeof record;
    record.dwPlatformId = platform;
    record.dwMajorVersion = major;
    record.dwMinorVersion = minor;
    lstrcpynA(record.szCSDVersion, servicePack, sizeof record.szCSDVersion);
    return record;
}

struct VersionCase {
    const char* system;
    OSVERSIONINFOA record;
    bool supported;
    bool servicePackSufficient;
};

// The records as each system reports them (the 9x family puts " A " or " " in the text).
const VersionCase versionCases[] = {
    {"Windows 95", version(VER_PLATFORM_WIN32_WINDOWS, 4, 0, ""), false, true},
    {"Windows 98", version(VER_PLATFORM_WIN32_WINDOWS, 4, 10, " A "), true, true},
    {"Windows Me", version(VER_PLATFORM_WIN32_WINDOWS, 4, 90, " "), true, true},
    {"NT 3.51", version(VER_PLATFORM_WIN32_NT, 3, 51, "Service Pack 5"), false, true},
    {"NT 4.0 SP3", version(VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 3"), true, false},
    {"NT 4.0 SP4", version(VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 4"), true, true},
    {"NT 4.0 SP6a", version(VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 6a"), true, true},
    {"NT 4.0 without service pack", version(VER_PLATFORM_WIN32_NT, 4, 0, ""), true, false},
    {"Windows 2000", version(VER_PLATFORM_WIN32_NT, 5, 0, ""), true, true},
    {"Windows 7 SP1", version(VER_PLATFORM_WIN32_NT, 6, 1, "Service Pack 1"), true, true},
    {"Win32s", version(VER_PLATFORM_WIN32s, 3, 10, ""), false, true},
};

TEST(PlatformChecks, DecisionTablesOnVersionRecords) {
    for (const VersionCase& c : versionCases) {
        EXPECT_EQ(c.supported, isSupportedPlatform(&c.record)) << c.system;
        EXPECT_EQ(c.servicePackSufficient, hasRequiredServicePack(&c.record)) << c.system;
    }
}

TEST(PlatformChecks, ServicePackTextComparedBySignedLastCharacter) {
    // A last byte of 0x80 or above is negative as a signed character: below "4".
    OSVERSIONINFOA record = version(VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack \xB9");
    EXPECT_FALSE(hasRequiredServicePack(&record));
    record = version(VER_PLATFORM_WIN32_NT, 4, 0, "Service Pack 5 (Build)");
    EXPECT_FALSE(hasRequiredServicePack(&record)); // ")" sorts below "4"
}

// A token's group list as the system hands it out, one group per (identifier, attributes).
struct GroupList {
    std::vector<PSID> sids;
    std::vector<char> record;
    explicit GroupList(std::vector<std::pair<DWORD, DWORD>> groups) {
        record.resize(sizeof(TOKEN_GROUPS) + groups.size() * sizeof(SID_AND_ATTRIBUTES));
        TOKEN_GROUPS* list = (TOKEN_GROUPS*)record.data();
        list->GroupCount = (DWORD)groups.size();
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        for (size_t i = 0; i < groups.size(); ++i) {
            PSID sid;
            AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, groups[i].first, 0, 0, 0,
                                     0, 0, 0, &sid);
            sids.push_back(sid);
            list->Groups[i] = {sid, groups[i].second};
        }
    }
    ~GroupList() {
        for (PSID sid : sids)
            FreeSid(sid);
    }
    const TOKEN_GROUPS* groups() const { return (const TOKEN_GROUPS*)record.data(); }
};

TEST(PlatformChecks, AdministratorsMustBeAnEnabledGroup) {
    const DWORD admins = DOMAIN_ALIAS_RID_ADMINS, users = DOMAIN_ALIAS_RID_USERS;
    const DWORD enabled = SE_GROUP_ENABLED | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_MANDATORY;
    struct Case {
        const char* what;
        std::vector<std::pair<DWORD, DWORD>> groups;
        bool administrator;
    } cases[] = {
        {"enabled Administrators", {{users, enabled}, {admins, enabled}}, true},
        {"deny-only Administrators", {{admins, SE_GROUP_USE_FOR_DENY_ONLY}}, false},
        {"deny-only, then enabled",
         {{admins, SE_GROUP_USE_FOR_DENY_ONLY}, {admins, enabled}},
         true},
        {"enabled, not Administrators", {{users, enabled}}, false},
        {"no groups", {}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.administrator, hasEnabledAdministrators(GroupList(c.groups).groups()))
            << c.what;
}

// Whether the process token holds SeTakeOwnershipPrivilege enabled.
bool takeOwnershipEnabled() {
    HANDLE token;
    alignas(TOKEN_PRIVILEGES) char buffer[4096];
    DWORD size;
    LUID id;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    bool read = GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size);
    CloseHandle(token);
    const TOKEN_PRIVILEGES* list = (const TOKEN_PRIVILEGES*)buffer;
    for (DWORD i = 0; read && LookupPrivilegeValueA(nullptr, "SeTakeOwnershipPrivilege", &id) &&
                      i < list->PrivilegeCount;
         ++i)
        if (list->Privileges[i].Luid.LowPart == id.LowPart &&
            list->Privileges[i].Luid.HighPart == id.HighPart)
            return list->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED;
    return false;
}

TEST(PlatformChecks, WineTokenIsAnEnabledAdministratorWithTakeOwnership) {
    // Wine gives every token an enabled Administrators group.
    EXPECT_TRUE(isAdministrator());
    EXPECT_FALSE(takeOwnershipEnabled());
    EXPECT_TRUE(enableTakeOwnership());
    EXPECT_TRUE(takeOwnershipEnabled());
    EXPECT_TRUE(checkPlatform());
    EXPECT_TRUE(checkServicePack());
}

} // namespace
