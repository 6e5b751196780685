// Text values of the program's registry keys, read and written within the fixed text buffers.
#pragma once

#include <windows.h>

const char ProductKeyPath[] = "SOFTWARE\\NRX\\KestraneSoftwareInstaller";

// Reads the value into buffer (size bytes) as a NUL-terminated text. A value stored without
// its NUL gets one; a value that does not fit with its NUL (or more than TextBufferSize bytes)
// fails. On failure buffer is left as it was. length (optional) receives the bytes copied.
bool queryTextValue(HKEY key, const char* name, char* buffer, DWORD size, DWORD* length);
// Sets a REG_SZ value with its terminating NUL.
bool setTextValue(HKEY key, const char* name, const char* text);
