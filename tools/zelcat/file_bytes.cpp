#include "tools/zelcat/file_bytes.h"

bool readAll(FILE* file, std::vector<char>* data) {
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        data->insert(data->end(), chunk, chunk + got);
    return !ferror(file);
}

bool readWholeFile(const std::string& path, std::vector<char>* data) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    bool ok = readAll(file, data);
    fclose(file);
    return ok;
}
