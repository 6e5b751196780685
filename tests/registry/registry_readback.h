// Reads and prepares the registry independently of the code under test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>

const char ProductKeyPath[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";
const char UninstallEntry[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KestraneSoftwareInstaller";
const char Extensions[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";

// A value as "type:bytes" (so type, data and length compare at once), or "absent". Read with
// the W function: the A one would add a missing NUL to a text and count it.
inline std::string stored(const std::string& path, const char* name) {
    HKEY key;
    BYTE data[2048];
    DWORD type, size = sizeof data;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "absent";
    std::wstring wideName(name, name + strlen(name));
    LONG result = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, data, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return "absent";
    std::string bytes((char*)data, size);
    if (type == REG_SZ || type == REG_MULTI_SZ) // the tests' texts are ASCII
        for (size_t i = bytes.size() / 2; i-- > 0;)
            bytes.erase(2 * i + 1, 1);
    return std::to_string(type) + ":" + bytes;
}
inline std::string sz(const std::string& text) {
    return "1:" + text + '\0';
}
inline std::string dword(DWORD number) {
    return "4:" + std::string((char*)&number, 4);
}
inline std::string raw(DWORD type, const std::string& bytes) {
    return std::to_string(type) + ":" + bytes;
}

// Sets a value given as "type:bytes", creating the key.
inline void store(const std::string& path, const char* name, const std::string& value) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    size_t colon = value.find(':');
    // A byte behind the data keeps the registry from counting a NUL that follows a text.
    std::string data = value.substr(colon + 1) + '#';
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, std::stoul(value.substr(0, colon)),
                                            (const BYTE*)data.data(), (DWORD)data.size() - 1));
    RegCloseKey(key);
}

// The number of subkeys, or -1 when the key is absent.
inline int subkeys(const std::string& path) {
    HKEY key;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return (int)count;
}

inline void removeTree(HKEY root, const char* path) {
    HKEY key;
    char name[256];
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) {
        removeTree(key, name);
        if (RegDeleteKeyA(key, name) == ERROR_ACCESS_DENIED)
            break;
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path);
}

// Every test starts and ends without the product's keys, its uninstall entry and its button
// (the prefix has no Extensions key of its own).
class RegistryState : public ::testing::Test {
  protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    static void clean() {
        removeTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\NRX");
        removeTree(HKEY_LOCAL_MACHINE, UninstallEntry);
        removeTree(HKEY_LOCAL_MACHINE, Extensions);
    }
};
