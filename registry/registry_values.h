// Values of the program's registry keys, texts read and written within the fixed text buffers.
#pragma once

#include <windows.h>

const char ProductKeyPath[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";

// Opens a key below HKEY_LOCAL_MACHINE; nullptr when it cannot be opened.
HKEY openMachineKey(const char* path, REGSAM access);
// Whether the value is there, whatever its type and size.
bool hasValue(HKEY key, const char* name);
// Reads the value into buffer (size bytes) as a NUL-terminated text. A value stored without
// its NUL gets one; a value that does not fit with its NUL (or more than TextBufferSize bytes)
// fails. On failure buffer is left as it was. length (optional) receives the bytes copied.
bool queryTextValue(HKEY key, const char* name, char* buffer, DWORD size, DWORD* length);
// Sets a REG_SZ value with its terminating NUL.
bool setTextValue(HKEY key, const char* name, const char* text);
// Reads a value of exactly four bytes; any other size fails and leaves number as it was.
bool queryNumberValue(HKEY key, const char* name, DWORD* number);
// Sets a REG_DWORD value.
bool setNumberValue(HKEY key, const char* name, DWORD number);
