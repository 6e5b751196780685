// Whole files as bytes.
#pragma once

#include <stdio.h>

#include <string>
#include <vector>

// Appends everything left in file to data; false on a read error.
bool readAll(FILE* file, std::vector<char>* data);
// Appends the whole file at path to data; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::vector<char>* data);
