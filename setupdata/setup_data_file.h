// Reading the INI setup data and the release values, with %KEY% indirection through the
// STRINGS sections.
#pragma once

// Characters written to output, 0 when the value is missing.
unsigned readSetupString(const char* section, const char* key, const char* defaultValue,
                         char* output, unsigned outputSize, const char* filePath);

// Each output is a 260-byte buffer.
unsigned readTargetDir(char* output);
bool readMenuDir(char* output);
unsigned readDefaultSearch(char* output);
unsigned readDownloadList(char* output);
int readRadarKind();
bool readReleaseInfo(char* name, char* version);
