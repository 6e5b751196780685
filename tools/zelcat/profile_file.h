// A profile (INI) file scanned the way the system's profile reader reads one, with the line of
// every entry. Where the system reader exists (Windows) it gives the values and this scan the
// lines; elsewhere this scan gives both.
//
// What the system reader does, as observed:
// - Lines end at CR LF, LF or a lone CR; the last line needs no line end.
// - Blanks (space, tab, VT, FF and Ctrl-Z) around a line, a name or a value are dropped.
// - A line beginning with "[" and holding a "]" opens a section named by the text between the
//   "[" and the last "]"; whatever follows that "]" is ignored. "[" without "]" is a key line.
// - Any other non-blank line is a key: the text before its first "=" names it, the rest is the
//   value. A line without "=" names a key with no value, which reads as missing. Comments are
//   not special: ";KEY=x" is the key ";KEY", and "x ; note" is a value with its note.
// - Names compare without the letter case of A to Z only: "é" and "É" are different names.
// - Only the first section of a name is read, and in it only the first line naming a key.
//   The keys before the first section header form the section "", which a "[]" header
//   therefore never reaches.
// - A NUL byte ends a name or a value.
// - A file beginning with a UTF-8 or UTF-16 byte order mark is read as such text and handed out
//   in the ANSI code page; any other file is ANSI bytes, read as they stand.
// - On reading, a value opened and closed by the same quote (" or ') loses the pair, and the
//   value is cut to the buffer less one byte. Cutting and quotes interact: with a buffer of
//   exactly the value's length (quotes included) less one, the last character is lost too.
#pragma once

#include <stddef.h>

#include <string>
#include <vector>

struct ProfileKey {
    std::string name;  // in the ANSI code page
    std::string value; // quotes kept: they go on reading
    bool hasValue;     // the line holds "="
    unsigned line;     // from 1
};

struct ProfileSection {
    std::string name;
    unsigned line;                // of the header; 0 for the keys before any header
    std::vector<ProfileKey> keys; // every key line, in file order
};

enum ProfileEncoding { AnsiProfile, Utf8Profile, Utf16LittleEndianProfile, Utf16BigEndianProfile };

struct ProfileFile {
    ProfileEncoding encoding;
    // In file order, later sections of a name included; [0] holds the keys before any header.
    std::vector<ProfileSection> sections;
};

// Scans size bytes of profile text. False when a byte-order-marked text cannot be converted
// to the ANSI code page (no code page can be used).
bool parseProfile(const char* bytes, size_t size, ProfileFile* profile);
// False when the file cannot be read or converted.
bool loadProfile(const char* path, ProfileFile* profile);

// The section the system reads for name (blanks around name ignored), or null.
const ProfileSection* findProfileSection(const ProfileFile& profile, const char* name);
// The line that answers for key in section, with or without a value, or null.
const ProfileKey* findProfileKey(const ProfileFile& profile, const char* section, const char* key);

// The system's read of one value: at most size - 1 characters and a NUL into output, giving
// their count. A missing key gives defaultValue without its trailing spaces; size 0 writes
// nothing. *line is the line the value came from, 0 for the default.
unsigned readProfileValue(const ProfileFile& profile, const char* section, const char* key,
                          const char* defaultValue, char* output, unsigned size, unsigned* line);
