#include "registry/registry_values.h"

#include <string.h>

#include "base/bounded_text.h"

HKEY openMachineKey(const char* path, REGSAM access) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool hasValue(HKEY key, const char* name) {
    return RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool queryTextValue(HKEY key, const char* name, char* buffer, DWORD size, DWORD* length) {
    // Read into scratch space so that a value that fails leaves nothing half-copied behind.
    char scratch[TextBufferSize];
    DWORD got = sizeof scratch;
    if (RegQueryValueExA(key, name, nullptr, nullptr, (BYTE*)scratch, &got) != ERROR_SUCCESS ||
        got > sizeof scratch)
        return false;
    if (got == 0 || scratch[got - 1] != '\0') {
        // Stored without its NUL: terminate it if there is room, never hand it out open.
        if (got == sizeof scratch)
            return false;
        scratch[got++] = '\0';
    }
    if (got > size)
        return false;
    memcpy(buffer, scratch, got);
    if (length)
        *length = got;
    return true;
}

bool setTextValue(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1) ==
           ERROR_SUCCESS;
}

bool queryNumberValue(HKEY key, const char* name, DWORD* number) {
    DWORD read;
    DWORD size = sizeof read;
    // A shorter value would leave the number half-filled.
    if (RegQueryValueExA(key, name, nullptr, nullptr, (BYTE*)&read, &size) != ERROR_SUCCESS ||
        size != sizeof read)
        return false;
    *number = read;
    return true;
}

bool setNumberValue(HKEY key, const char* name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&number, sizeof number) ==
           ERROR_SUCCESS;
}
