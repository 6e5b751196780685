// The %KEY% rule over an in-memory profile that reads like the system's profile reader: a
// missing key gives the default, a long value is cut to the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "setupdata/string_reference.h"

namespace {

struct Profile {
    std::map<std::string, std::map<std::string, std::string>> sections;
    std::vector<std::string> asked; // "section/key" of every read, in order
};

unsigned readProfile(const char* section, const char* key, const char* defaultValue, char* output,
                     unsigned size, void* context) {
    Profile* profile = (Profile*)context;
    profile->asked.push_back(std::string(section) + "/" + key);
    std::string value = defaultValue;
    auto found = profile->sections.find(section);
    if (found != profile->sections.end() && found->second.count(key))
        value = found->second[key];
    if (size == 0)
        return 0;
    size_t count = value.size() < size - 1 ? value.size() : size - 1;
    memcpy(output, value.data(), count);
    output[count] = '\0';
    return (unsigned)count;
}

Profile germanProfile() {
    Profile profile;
    profile.sections["INIT"] = {
        {"FULL", "%DIR%"},     {"PRIMARY", "%ONLY7%"}, {"NEUTRAL", "%ONLYN%"},
        {"OPEN", "%DIR"},      {"CLOSE", "DIR%"},      {"LONE", "%"},
        {"NOWHERE", "%NONE%"}, {"TWICE", "%AGAIN%"},   {"PLAIN", "Tools"}};
    profile.sections["STRINGS.0407"] = {{"DIR", "Werkzeuge"}, {"AGAIN", "%DIR%"}};
    profile.sections["STRINGS.0007"] = {{"DIR", "Wrong"}, {"ONLY7", "X"}};
    profile.sections["STRINGS"] = {{"DIR", "Wrong"}, {"ONLY7", "Wrong"}, {"ONLYN", "Y"}};
    return profile;
}

std::string resolve(Profile* profile, const char* key, unsigned size = 260,
                    unsigned* count = nullptr) {
    std::vector<char> output(size + 8, '#');
    unsigned written = resolveSetupString("INIT", key, "", output.data(), size, 0x0407, 0x0007,
                                          readProfile, profile);
    for (size_t i = size; i < output.size(); ++i)
        EXPECT_EQ('#', output[i]) << "written past the output at " << i;
    if (count)
        *count = written;
    if (written == 0)
        return "(missing)";
    EXPECT_EQ(written, strlen(output.data()));
    return output.data();
}

TEST(StringReference, ResolvesByLanguageThenPrimaryLanguageThenNeutral) {
    Profile profile = germanProfile();
    EXPECT_EQ("Werkzeuge", resolve(&profile, "FULL"));
    EXPECT_EQ("X", resolve(&profile, "PRIMARY"));
    EXPECT_EQ("Y", resolve(&profile, "NEUTRAL"));
    EXPECT_EQ("Tools", resolve(&profile, "PLAIN"));

    profile.asked.clear();
    resolve(&profile, "NEUTRAL");
    std::vector<std::string> order = {"INIT/NEUTRAL", "STRINGS.0407/ONLYN", "STRINGS.0007/ONLYN",
                                      "STRINGS/ONLYN"};
    EXPECT_EQ(order, profile.asked);
}

TEST(StringReference, OnlyAValueOpenedAndClosedByPercentIsAReferenceAndOnlyOnce) {
    Profile profile = germanProfile();
    EXPECT_EQ("%DIR", resolve(&profile, "OPEN"));
    EXPECT_EQ("DIR%", resolve(&profile, "CLOSE"));
    EXPECT_EQ("%DIR%", resolve(&profile, "TWICE")); // the text found is used as it stands
    EXPECT_EQ("(missing)", resolve(&profile, "NOWHERE"));
    EXPECT_EQ("(missing)", resolve(&profile, "ABSENT"));

    // A lone "%" names the empty key, which no section holds; the output stays empty.
    std::vector<char> output(16, '#');
    EXPECT_EQ(0u, resolveSetupString("INIT", "LONE", "", output.data(), 16, 0x0407, 0x0007,
                                     readProfile, &profile));
    EXPECT_EQ('\0', output[0]);
}

TEST(StringReference, MissingValueLeavesTheOutputUntouched) {
    Profile profile = germanProfile();
    char output[8] = "keep";
    EXPECT_EQ(0u, resolveSetupString("INIT", "ABSENT", "", output, sizeof output, 0x0407, 0x0007,
                                     readProfile, &profile));
    EXPECT_STREQ("keep", output);
}

TEST(StringReference, LongValuesAreCutToTheOutputAndNeverWrittenPastIt) {
    Profile profile = germanProfile();
    unsigned count = 0;
    EXPECT_EQ("Werkz", resolve(&profile, "FULL", 6, &count)); // a reference cut to the output
    EXPECT_EQ(5u, count);
    EXPECT_EQ("Too", resolve(&profile, "PLAIN", 4)); // a plain value likewise
    EXPECT_EQ("(missing)", resolve(&profile, "PLAIN", 0));

    // Values longer than the 260-byte buffer arrive cut to 259 characters: a reference whose
    // closing "%" was cut off is used as plain text.
    std::string longKey(300, 'K');
    profile.sections["INIT"]["LONG"] = "%" + longKey + "%";
    profile.sections["STRINGS"][longKey] = "found";
    std::string cut = resolve(&profile, "LONG", 600);
    EXPECT_EQ(259u, cut.size());
    EXPECT_EQ('%', cut[0]);

    // The longest reference that fits resolves, and its text may fill the whole output.
    std::string fittingKey(257, 'F');
    profile.sections["INIT"]["FITS"] = "%" + fittingKey + "%";
    profile.sections["STRINGS"][fittingKey] = std::string(400, 'v');
    EXPECT_EQ(std::string(259, 'v'), resolve(&profile, "FITS"));
}

} // namespace
