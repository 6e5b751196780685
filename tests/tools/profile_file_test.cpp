// zelcat's profile reader against what the system's reader gives for the files of
// tests/tools/profiles (the table lookups.txt there), and the file's scan as zelcat check
// sees it.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "setupdata/string_reference.h"
#include "tools/zelcat/profile_source.h"

namespace {

const std::string Profiles = ZEL_PROFILES_DIR;

// A field of the table: blanks around it dropped, \xHH and \\ decoded.
std::string field(const std::string& text) {
    size_t begin = text.find_first_not_of(' ');
    size_t end = text.find_last_not_of(' ');
    std::string raw = begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
    std::string decoded;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == '\\') {
            decoded += '\\';
            ++i;
        } else if (raw[i] == '\\' && i + 3 < raw.size() && raw[i + 1] == 'x') {
            decoded += (char)strtoul(raw.substr(i + 2, 2).c_str(), nullptr, 16);
            i += 3;
        } else {
            decoded += raw[i];
        }
    }
    return decoded;
}

struct Lookup {
    unsigned tableLine;
    std::string file, section, key, size, language, defaultValue;
    unsigned line;
    std::string value;
};

std::vector<Lookup> readTable() {
    std::vector<Lookup> lookups;
    std::ifstream table(Profiles + "/lookups.txt");
    std::string text;
    for (unsigned number = 1; std::getline(table, text); ++number) {
        if (text.empty() || text[0] == '#')
            continue;
        std::vector<std::string> fields;
        for (size_t start = 0;;) {
            size_t bar = text.find('|', start);
            fields.push_back(field(text.substr(start, bar - start)));
            if (bar == std::string::npos)
                break;
            start = bar + 1;
        }
        EXPECT_EQ(fields.size(), 8u) << "lookups.txt:" << number;
        fields.resize(8);
        lookups.push_back({number, fields[0], fields[1], fields[2], fields[3], fields[4], fields[5],
                           (unsigned)atoi(fields[6].c_str()), fields[7]});
    }
    return lookups;
}

TEST(ProfileFile, ReadsEveryLookupOfTheTableAsTheSystemDoes) {
    std::vector<Lookup> lookups = readTable();
    EXPECT_GE(lookups.size(), 130u);
    for (const Lookup& lookup : lookups) {
        SCOPED_TRACE("lookups.txt:" + std::to_string(lookup.tableLine));
        ProfileSource source;
        ASSERT_TRUE(openProfileSource(Profiles + "/" + lookup.file, &source));
        unsigned size = lookup.size.empty() ? 260 : (unsigned)atoi(lookup.size.c_str());
        std::vector<char> output(size + 1, '#');
        unsigned count;
        if (lookup.language.empty()) {
            count =
                readFromProfileSource(lookup.section.c_str(), lookup.key.c_str(),
                                      lookup.defaultValue.c_str(), output.data(), size, &source);
        } else {
            uint16_t language = (uint16_t)strtoul(lookup.language.c_str(), nullptr, 16);
            count = resolveSetupString(lookup.section.c_str(), lookup.key.c_str(),
                                       lookup.defaultValue.c_str(), output.data(), size, language,
                                       language & 0x3FF, readFromProfileSource, &source);
        }
        EXPECT_EQ(std::string(output.data(), count), lookup.value);
        EXPECT_EQ(source.reads.back().line, lookup.line);
        if (count > 0 || (size > 0 && lookup.language.empty())) {
            EXPECT_EQ(output[count], '\0');
        }
        EXPECT_EQ(output[size], '#') << "written past the buffer";
    }
}

// Every section and key line with its line: what zelcat check reports duplicates and lines
// without "=" from.
std::string outline(const ProfileFile& profile) {
    std::string text;
    for (const ProfileSection& section : profile.sections) {
        text += "[" + section.name + "]" + std::to_string(section.line);
        for (const ProfileKey& key : section.keys)
            text += " " + key.name + (key.hasValue ? "=" : "") + std::to_string(key.line);
        text += "\n";
    }
    return text;
}

TEST(ProfileFile, KeepsEverySectionAndKeyLineInFileOrder) {
    ProfileFile profile;
    ASSERT_TRUE(loadProfile((Profiles + "/duplicates.ini").c_str(), &profile));
    EXPECT_EQ(outline(profile), "[]0\n"
                                "[First]1 key=2 KEY=3\n"
                                "[Other]4 x=5\n"
                                "[FIRST]6 key=7 later=8\n"
                                "[Empty]9\n"
                                "[empty]10 k=11\n"
                                "[Spaced]12 k=13\n"
                                "[Spaced]14 k=15\n");
    ASSERT_TRUE(loadProfile((Profiles + "/headers.ini").c_str(), &profile));
    EXPECT_EQ(outline(profile), "[]0 [Open1 k=2\n"
                                "[Closed]3 k=4\n"
                                "[Last]x]5 k=6\n"
                                "[[Nested]]7 k=8\n"
                                "[A=B]9 k=10\n"
                                "[Key]11 k=12 [Unclosed=13 [Tail14\n");
    EXPECT_EQ(findProfileSection(profile, " key "), &profile.sections[5]);
    EXPECT_EQ(findProfileKey(profile, "Key", "[tail"), &profile.sections[5].keys[2]);
    EXPECT_FALSE(loadProfile((Profiles + "/absent.ini").c_str(), &profile));
}

} // namespace
