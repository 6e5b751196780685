// code_page_capture DIR: asks the system's WideCharToMultiByte and MultiByteToWideChar for
// every character of the product's ANSI code pages and writes what they answer to
// DIR/cpNNNN.bin, for scripts/regenerate-code-pages. Run under Wine; it checks the assumptions
// the portable conversion is built on and fails, naming the first one broken, if the system
// answers otherwise.
//
// cpNNNN.bin, little-endian:
//   uint16 defaultBytes, leadAloneUnit, then 256 bytes: 1 for a lead byte, 0 otherwise
//   65536 x uint16 forward: the bytes for each UTF-16 unit (one byte b as b, a pair as
//     lead << 8 | trail)
//   65536 x uint16 reverse: at b, the unit for byte b alone; at lead << 8 | trail, the unit for
//     the pair (trail from 1)
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

const UINT CodePages[] = {1252, 932, 936, 949, 950};

int fail(UINT codePage, const char* what, unsigned at) {
    fprintf(stderr, "code page %u: %s (at %04X)\n", codePage, what, at);
    return 1;
}

bool isSurrogate(unsigned unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

std::string toBytes(UINT codePage, const WCHAR* units, int count) {
    char bytes[16];
    int length = WideCharToMultiByte(codePage, 0, units, count, bytes, sizeof bytes, NULL, NULL);
    return std::string(bytes, length > 0 ? (size_t)length : 0);
}

std::wstring toUnits(UINT codePage, const std::string& bytes) {
    int length = MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), NULL, 0);
    std::wstring units(length > 0 ? (size_t)length : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), (int)bytes.size(), &units[0], length);
    return units;
}

void put16(std::vector<unsigned char>* out, unsigned value) {
    out->push_back((unsigned char)(value & 0xFF));
    out->push_back((unsigned char)(value >> 8));
}

int capture(UINT codePage, const char* folder) {
    CPINFOEXA info;
    if (!GetCPInfoExA(codePage, 0, &info))
        return fail(codePage, "no such code page", 0);
    bool lead[256] = {};
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2)
        for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1]; ++b)
            lead[b] = true;
    std::string defaultBytes((const char*)info.DefaultChar, info.DefaultChar[1] ? 2 : 1);

    // Forward, one unit at a time; then the whole plane at once must give the same bytes, so
    // that no unit's bytes depend on its neighbours.
    std::vector<unsigned> forward(65536);
    std::wstring plane;
    std::string expected;
    for (unsigned unit = 0; unit < 65536; ++unit) {
        WCHAR w = (WCHAR)unit;
        std::string bytes = toBytes(codePage, &w, 1);
        if (bytes.empty() || bytes.size() > 2)
            return fail(codePage, "a unit gives no bytes or more than two", unit);
        if (isSurrogate(unit) && bytes != defaultBytes)
            return fail(codePage, "a lone surrogate is not the default character", unit);
        if (bytes.size() == 2 && !lead[(unsigned char)bytes[0]])
            return fail(codePage, "two bytes without a lead byte", unit);
        forward[unit] = bytes.size() == 1 ? (unsigned char)bytes[0]
                                          : (unsigned char)bytes[0] << 8 | (unsigned char)bytes[1];
        if (!isSurrogate(unit) && unit) {
            plane += w;
            expected += bytes;
        }
    }
    int length =
        WideCharToMultiByte(codePage, 0, plane.c_str(), (int)plane.size(), NULL, 0, NULL, NULL);
    std::string whole(length > 0 ? (size_t)length : 0, '\0');
    if (length > 0)
        WideCharToMultiByte(codePage, 0, plane.c_str(), (int)plane.size(), &whole[0], length, NULL,
                            NULL);
    if (whole != expected)
        return fail(codePage, "the plane at once differs from its units one by one", 0);
    // A character beyond the plane: its two surrogates, each the default character.
    const WCHAR pair[] = {0xD83D, 0xDE00};
    if (toBytes(codePage, pair, 2) != defaultBytes + defaultBytes)
        return fail(codePage, "a surrogate pair is not two default characters", 0xD83D);

    // Reverse: every byte alone, every lead byte with every trail byte.
    std::vector<unsigned> reverse(65536);
    for (unsigned b = 0; b < 256; ++b) {
        std::wstring units = toUnits(codePage, std::string(1, (char)b));
        if (units.size() != 1 || isSurrogate(units[0]))
            return fail(codePage, "a byte alone does not give one unit", b);
        reverse[b] = units[0];
    }
    unsigned leadAlone = 0;
    for (unsigned b = 0x80; b < 256; ++b) {
        if (!lead[b])
            continue;
        if (leadAlone && reverse[b] != leadAlone)
            return fail(codePage, "lead bytes alone give different units", b);
        leadAlone = reverse[b];
        std::wstring units = toUnits(codePage, std::string(1, (char)b) + std::string(1, '\0'));
        if (units.size() != 2 || units[0] != leadAlone || units[1] != 0)
            return fail(codePage, "a lead byte before a NUL is not alone", b);
        for (unsigned t = 1; t < 256; ++t) {
            units = toUnits(codePage, std::string(1, (char)b) + std::string(1, (char)t));
            if (units.size() != 1 || isSurrogate(units[0]))
                return fail(codePage, "a lead byte and a trail byte do not give one unit",
                            b << 8 | t);
            reverse[b << 8 | t] = units[0];
        }
    }
    // All of it as one stream must read the same: pairs never depend on their neighbours.
    std::string stream;
    std::wstring read;
    for (unsigned b = 0; b < 256; ++b) {
        if (lead[b])
            continue;
        stream += (char)b;
        read += (WCHAR)reverse[b];
    }
    for (unsigned b = 0x80; b < 256; ++b) {
        if (!lead[b])
            continue;
        for (unsigned t = 1; t < 256; ++t) {
            stream += (char)b;
            stream += (char)t;
            read += (WCHAR)reverse[b << 8 | t];
        }
        stream += (char)b;
        stream += '\0';
        read += (WCHAR)leadAlone;
        read += L'\0';
    }
    if (leadAlone) {
        stream += (char)0x81;
        read += (WCHAR)leadAlone;
    }
    if (toUnits(codePage, stream) != read)
        return fail(codePage, "the bytes as one stream read differently", 0);

    std::vector<unsigned char> out;
    put16(&out, defaultBytes.size() == 1
                    ? (unsigned char)defaultBytes[0]
                    : (unsigned char)defaultBytes[0] << 8 | (unsigned char)defaultBytes[1]);
    put16(&out, leadAlone);
    for (unsigned b = 0; b < 256; ++b)
        out.push_back(lead[b] ? 1 : 0);
    for (unsigned value : forward)
        put16(&out, value);
    for (unsigned value : reverse)
        put16(&out, value);
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\cp%u.bin", folder, codePage);
    FILE* file = fopen(path, "wb");
    if (!file || fwrite(out.data(), 1, out.size(), file) != out.size() || fclose(file) != 0)
        return fail(codePage, "cannot write the capture", 0);
    return 0;
}

// Which system answered, for the generated file's heading.
bool writePlatform(const char* folder) {
    typedef const char*(CDECL * VersionFunction)();
    VersionFunction wineVersion =
        (VersionFunction)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\platform.txt", folder);
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    if (wineVersion) {
        fprintf(file, "Wine %s\n", wineVersion());
    } else {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        GetVersionExA(&version);
        fprintf(file, "Windows %lu.%lu.%lu\n", version.dwMajorVersion, version.dwMinorVersion,
                version.dwBuildNumber);
    }
    return fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: code_page_capture DIR\n");
        return 2;
    }
    for (UINT codePage : CodePages) {
        if (capture(codePage, argv[1]))
            return 1;
    }
    if (!writePlatform(argv[1])) {
        fprintf(stderr, "cannot write %s\\platform.txt\n", argv[1]);
        return 1;
    }
    return 0;
}
