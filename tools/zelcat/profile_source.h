// One profile file read as setup reads it, with the line each value came from. On Windows the
// values come from the system's GetPrivateProfileStringA and the lines from the file's scan;
// elsewhere the scan gives both. readFromProfileSource is a ProfileReader, so the %KEY% rule of
// the setup data (resolveSetupString) runs over it exactly as it runs in setup.
#pragma once

#include <string>
#include <vector>

#include "tools/zelcat/profile_file.h"

// One read and where it found its value.
struct ProfileRead {
    std::string section;
    std::string key;
    unsigned count;   // characters read
    unsigned line;    // of the value, 0 when none was found
    unsigned keyLine; // of the line naming the key, with or without "=", 0 for none
};

struct ProfileSource {
    std::string path;       // as given
    std::string systemPath; // Windows: the full path the system reader needs
    ProfileFile file;
    std::vector<ProfileRead> reads; // every read so far, oldest first; clear it at will
    // Windows: a read on which the scan and the system disagreed, so its line is unreliable.
    bool disagreed;
};

// False when the file cannot be read (or converted).
bool openProfileSource(const std::string& path, ProfileSource* source);

// A ProfileReader over a ProfileSource (context): the value as the system reads it.
unsigned readFromProfileSource(const char* section, const char* key, const char* defaultValue,
                               char* output, unsigned size, void* context);
