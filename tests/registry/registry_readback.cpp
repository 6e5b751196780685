#include "tests/registry/registry_readback.h"

#include <string.h>

#include <vector>

StoredValue readBack(const char* keyPath, const char* name, HKEY root) {
    StoredValue value;
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        std::vector<char> bytes(size + 1);
        if (RegQueryValueExA(key, name, nullptr, &value.type, (BYTE*)bytes.data(), &size) ==
            ERROR_SUCCESS) {
            value.exists = true;
            value.data.assign(bytes.data(), size);
        }
    }
    RegCloseKey(key);
    return value;
}

bool keyExists(const char* keyPath, HKEY root) {
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

DWORD subkeyCount(const char* keyPath) {
    HKEY key;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return count;
}

void removeTree(HKEY root, const char* keyPath) {
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) {
        removeTree(key, name);
        if (keyExists(name, key))
            break;
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, keyPath);
}

void storeValue(const char* keyPath, const char* name, DWORD type, const std::string& data) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, (const BYTE*)data.data(), (DWORD)data.size()));
    RegCloseKey(key);
}

void storeText(const char* keyPath, const char* name, const std::string& text) {
    storeValue(keyPath, name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void storeNumber(const char* keyPath, const char* name, DWORD number) {
    storeValue(keyPath, name, REG_DWORD, std::string((const char*)&number, sizeof number));
}

::testing::AssertionResult storedText(const char* keyPath, const char* name,
                                      const std::string& text) {
    StoredValue value = readBack(keyPath, name);
    if (!value.exists)
        return ::testing::AssertionFailure() << keyPath << " [" << name << "] is missing";
    std::string expected(text.c_str(), text.size() + 1);
    if (value.type != REG_SZ || value.data != expected)
        return ::testing::AssertionFailure()
               << keyPath << " [" << name << "] type " << value.type << ", " << value.data.size()
               << " bytes \"" << value.data.c_str() << "\"; expected REG_SZ, " << expected.size()
               << " bytes \"" << text << "\"";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult storedNumber(const char* keyPath, const char* name, DWORD number) {
    StoredValue value = readBack(keyPath, name);
    if (!value.exists)
        return ::testing::AssertionFailure() << keyPath << " [" << name << "] is missing";
    DWORD stored = 0;
    if (value.data.size() == sizeof stored)
        memcpy(&stored, value.data.data(), sizeof stored);
    if (value.type != REG_DWORD || value.data.size() != sizeof stored || stored != number)
        return ::testing::AssertionFailure()
               << keyPath << " [" << name << "] type " << value.type << ", " << value.data.size()
               << " bytes, " << stored << "; expected REG_DWORD " << number;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult absentValue(const char* keyPath, const char* name) {
    if (readBack(keyPath, name).exists)
        return ::testing::AssertionFailure() << keyPath << " [" << name << "] still exists";
    return ::testing::AssertionSuccess();
}
