// Recording doubles of the security calls secureStagedFile makes: each call is written as a
// line into securityCalls, then the system's own function runs. They replace the import
// slots of the program that includes this header (once), and GetProcAddress hands them out
// for the two functions secureStagedFile looks up at run time.
#pragma once

#include <windows.h>

#include <aclapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace securitydoubles {

std::vector<std::string> securityCalls;
PACL lastAcl;

std::string sidText(PSID sid) {
    if (!sid)
        return "null";
    const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
    std::string text = "S-1-" + std::to_string(authority->Value[5]);
    for (UCHAR i = 0; i < *GetSidSubAuthorityCount(sid); ++i)
        text += "-" + std::to_string(*GetSidSubAuthority(sid, i));
    return text;
}

struct AnsiString {
    USHORT Length;
    USHORT MaximumLength;
    PCHAR Buffer;
};
extern "C" LONG NTAPI LdrGetProcedureAddress(HMODULE, const AnsiString*, ULONG, void**);

// The system's GetProcAddress, reached without its import slot.
FARPROC realProcAddress(HMODULE module, LPCSTR name) {
    void* function = nullptr;
    if (!HIWORD(name)) {
        LdrGetProcedureAddress(module, nullptr, LOWORD(name), &function);
    } else {
        AnsiString text = {(USHORT)strlen(name), (USHORT)(strlen(name) + 1), (PCHAR)name};
        LdrGetProcedureAddress(module, &text, 0, &function);
    }
    return (FARPROC)function;
}

template <typename Function> Function real(const char* module, const char* name) {
    return (Function)(void*)realProcAddress(GetModuleHandleA(module), name);
}

DWORD WINAPI setEntriesInAcl(ULONG count, PEXPLICIT_ACCESS_A entries, PACL old, PACL* acl) {
    std::string line = "SetEntriesInAclA(" + std::to_string(count);
    for (ULONG i = 0; i < count; ++i) {
        char entry[200];
        snprintf(entry, sizeof entry, ", {0x%lX mode %d inheritance %lu form %d type %d %s}",
                 (unsigned long)entries[i].grfAccessPermissions, (int)entries[i].grfAccessMode,
                 (unsigned long)entries[i].grfInheritance, (int)entries[i].Trustee.TrusteeForm,
                 (int)entries[i].Trustee.TrusteeType,
                 sidText((PSID)entries[i].Trustee.ptstrName).c_str());
        line += entry;
    }
    securityCalls.push_back(line + ", old " + (old ? "set" : "null") + ")");
    typedef DWORD(WINAPI * Proc)(ULONG, PEXPLICIT_ACCESS_A, PACL, PACL*);
    DWORD result = real<Proc>("advapi32.dll", "SetEntriesInAclA")(count, entries, old, acl);
    lastAcl = *acl;
    return result;
}

DWORD WINAPI setNamedSecurityInfo(LPSTR name, SE_OBJECT_TYPE type, SECURITY_INFORMATION what,
                                  PSID owner, PSID group, PACL dacl, PACL sacl) {
    securityCalls.push_back("SetNamedSecurityInfoA(" + std::string(name) + ", type " +
                            std::to_string(type) + ", information " + std::to_string(what) +
                            ", owner " + sidText(owner) + ", group " + sidText(group) + ", dacl " +
                            (dacl && dacl == lastAcl ? "new" : "other") + ", sacl " +
                            (sacl ? "set" : "null") + ")");
    typedef DWORD(WINAPI * Proc)(LPSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL,
                                 PACL);
    return real<Proc>("advapi32.dll", "SetNamedSecurityInfoA")(name, type, what, owner, group, dacl,
                                                               sacl);
}

BOOL WINAPI allocateSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD a0, DWORD a1,
                        DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6, DWORD a7, PSID* sid) {
    typedef BOOL(WINAPI * Proc)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD, DWORD, DWORD, DWORD,
                                DWORD, DWORD, DWORD, PSID*);
    BOOL made = real<Proc>("advapi32.dll", "AllocateAndInitializeSid")(authority, count, a0, a1, a2,
                                                                       a3, a4, a5, a6, a7, sid);
    securityCalls.push_back("AllocateAndInitializeSid(" + sidText(made ? *sid : nullptr) + ")");
    return made;
}

PVOID WINAPI freeSid(PSID sid) {
    securityCalls.push_back("FreeSid(" + sidText(sid) + ")");
    typedef PVOID(WINAPI * Proc)(PSID);
    return real<Proc>("advapi32.dll", "FreeSid")(sid);
}

HLOCAL WINAPI localFree(HLOCAL block) {
    if (block && block == (HLOCAL)lastAcl) {
        securityCalls.push_back("LocalFree(new acl)");
        lastAcl = nullptr;
    }
    typedef HLOCAL(WINAPI * Proc)(HLOCAL);
    return real<Proc>("kernel32.dll", "LocalFree")(block);
}

FARPROC WINAPI getProcAddress(HMODULE module, LPCSTR name) {
    if (HIWORD(name) && !strcmp(name, "SetEntriesInAclA"))
        return (FARPROC)(void*)setEntriesInAcl;
    if (HIWORD(name) && !strcmp(name, "SetNamedSecurityInfoA"))
        return (FARPROC)(void*)setNamedSecurityInfo;
    return realProcAddress(module, name);
}

} // namespace securitydoubles

extern "C" {
#if defined(_WIN64)
void* getProcAddressSlot __asm__("__imp_GetProcAddress") = (void*)securitydoubles::getProcAddress;
void*
    allocateSidSlot __asm__("__imp_AllocateAndInitializeSid") = (void*)securitydoubles::allocateSid;
void* freeSidSlot __asm__("__imp_FreeSid") = (void*)securitydoubles::freeSid;
void* localFreeSlot __asm__("__imp_LocalFree") = (void*)securitydoubles::localFree;
#else
void*
    getProcAddressSlot __asm__("__imp__GetProcAddress@8") = (void*)securitydoubles::getProcAddress;
void* allocateSidSlot __asm__("__imp__AllocateAndInitializeSid@44") = (void*)
    securitydoubles::allocateSid;
void* freeSidSlot __asm__("__imp__FreeSid@4") = (void*)securitydoubles::freeSid;
void* localFreeSlot __asm__("__imp__LocalFree@4") = (void*)securitydoubles::localFree;
#endif
}
