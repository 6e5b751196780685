// Reads the registry back independently of the code under test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

struct StoredValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string data; // the raw bytes, length included
};

StoredValue readBack(const char* keyPath, const char* name, HKEY root = HKEY_LOCAL_MACHINE);
bool keyExists(const char* keyPath, HKEY root = HKEY_LOCAL_MACHINE);
DWORD subkeyCount(const char* keyPath);
// Deletes a key with everything below it; absent keys are fine.
void removeTree(HKEY root, const char* keyPath);
// Creates the key (and its parents) and sets one value to the given raw bytes.
void storeValue(const char* keyPath, const char* name, DWORD type, const std::string& data);
void storeText(const char* keyPath, const char* name, const std::string& text);
void storeNumber(const char* keyPath, const char* name, DWORD number);

// A REG_SZ value whose data is text and its NUL, nothing more.
::testing::AssertionResult storedText(const char* keyPath, const char* name,
                                      const std::string& text);
::testing::AssertionResult storedNumber(const char* keyPath, const char* name, DWORD number);
::testing::AssertionResult absentValue(const char* keyPath, const char* name);
