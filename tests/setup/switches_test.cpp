// The command line: the program name before the arguments, and the switches behind it.
#include <gtest/gtest.h>

#include <string>

#include "setup/switches.h"

namespace {

TEST(SkipProgramName, ArgumentsStartBehindTheNameAndItsBlanks) {
    struct Case {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"\"C:\\media\\setup.exe\" /S", "/S"},
        {"setup.exe /S /U", "/S /U"},
        {"\"C:\\Program Files\\Kestrane\\setup.exe\" \t /u", "/u"},
        {"\"a b\"c d /x", "c d /x"}, // a quoted name ends at its closing quote
        {"\"setup.exe\"/S /U", "/S /U"},
        {"\"\" /S", "/S"},
        {"setup.exe\t/F", "/F"},
        {"setup.exe", ""},
        {"", ""},
        {"   /S", "/S"},
        {"\"C:\\no closing quote\\setup.exe /S", ""},
        {"C:\\J\xFCrgen\\setup.exe /W", "/W"}, // bytes above 127 belong to the name
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.arguments, skipProgramName(c.line)) << c.line;
}

TEST(SkipProgramName, ControlCharactersCountAsBlanksAndNothingIsReadPastTheEnd) {
    std::string line = "setup.exe\x01\x1F/S";
    EXPECT_STREQ("/S", skipProgramName(line.c_str()));
    // A lone quote: the name runs to the end, which is returned, not what lies behind it.
    char buffer[4] = {'"', 'x', '\0', '/'};
    EXPECT_EQ(buffer + 2, skipProgramName(buffer));
}

TEST(ParseSwitches, FirstCharacterBehindEachSlashCounts) {
    struct Case {
        const char* line;
        RunFlags flags;
    } cases[] = {
        {"", Install},
        {"/s /u", Silent},
        {"/S/U", Silent},
        {"/Silent /Uninstall", Silent},
        {"/f", Install | NoFinalMessage},
        {"/O", Install | Relaunch},
        {"/w", Install | NoShellItems},
        {"/x /? /", Install},
        {"/s/", Install | Silent},
        {"//s", Install | Silent},
        {"/ s", Install},
        {"s u w", Install},
        {"/FOSWU", Install | NoFinalMessage}, // only F counts
    };
    for (const Case& c : cases) {
        RunFlags flags = Install;
        EXPECT_TRUE(parseSwitches(c.line, &flags));
        EXPECT_EQ(c.flags, flags) << c.line;
    }
}

TEST(ParseSwitches, SwitchTextLongerThanABufferIsHarmless) {
    std::string line = "/S" + std::string(5000, 'x') + " /" + std::string(300, ' ') + "/u";
    RunFlags flags = Install;
    parseSwitches(line.c_str(), &flags);
    EXPECT_EQ((RunFlags)Silent, flags);
}

} // namespace
