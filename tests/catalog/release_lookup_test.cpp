#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "catalog/release_lookup.h"
#include "tests/catalog/test_document.h"

namespace {

const std::string Names =
    "<names>"
    "<title method=\"LANGUAGE\" default=\"0409\">"
    "<item id=\"0409\"><data>English</data></item>"
    "<item id=\"0407\"><data>Deutsch</data><data id=\"alt\">Alt</data></item>"
    "<item id=\"0011\"><data><![CDATA[<ja> &amp;]]></data></item>"
    "<item id=\"0012\"><data><gd zelpath=\"names/inner\">k</gd></data></item>"
    "</title>"
    "<inner method=\"LANGUAGE\" default=\"0409\">"
    "<item id=\"0409\"><data id=\"k\">Inner</data></item></inner>"
    "<loop method=\"LANGUAGE\" default=\"0409\">"
    "<item id=\"0409\"><data><gd zelpath=\"names/loop\"/></data></item></loop>"
    "</names>";

// A release whose elements hold the given markup, below product QUOLEN, release RELEASE.
std::string releaseCatalog(const std::string& release) {
    return xmlDocument("<build><zel id=\"QUOLEN\">" + Names +
                       "<xrelease><release id=\"OLD\"><title>Old</title></release>"
                       "<release id=\"RELEASE\">" +
                       release + "</release></xrelease></zel></build>");
}

class ReleaseLookup : public EnglishSystemTest {
  protected:
    // The answer, "(fail)", or "(empty)" for the empty result; a buffer that is not written
    // on failure keeps its filler.
    std::string lookup(const std::string& release, const char* name, uint32_t size = 260,
                       const char* releaseId = "RELEASE") {
        Document parsed(releaseCatalog(release));
        EXPECT_NE(parsed.document, nullptr) << release;
        char answer[300];
        memset(answer, '#', sizeof answer);
        answer[sizeof answer - 1] = '\0';
        int result = lookupReleaseValue(releaseId, name, answer, size, "QUOLEN", parsed.document,
                                        &environment, 7);
        if (result == 1)
            return answer;
        EXPECT_EQ(answer[0], '#') << name;
        return result == 7 ? "(empty)" : result == 0 ? "(fail)" : "(result?)";
    }
};

TEST_F(ReleaseLookup, EveryRowOfTheTable) {
    const std::string release =
        "<device>dev</device><title>tit</title><version>ver</version>"
        "<setup form=\"frm\" success=\"suc\">set</setup><uninstall reg=\"rg\">uni</uninstall>"
        "<os id=\"9X\">9x</os><os id=\"NT\">nt</os><dependency id=\"ZEL\">par</dependency>"
        "<dependency id=\"IE\">ie</dependency><dependency id=\"DX\">dx</dependency>"
        "<dependency id=\"PM\">pm</dependency><dependency id=\"HOTKEY\">hk</dependency>"
        "<smiflag id=\"DRAVE\">drv</smiflag><smiflag id=\"BLUETOOTH\">bt</smiflag>"
        "<setup method=\"SILENT\" form=\"sfrm\" success=\"ssuc\">sil</setup>"
        "<smbiosflag id=\"SW135\">sw</smbiosflag><lastversion id=\"CRITICAL\">crit</lastversion>";
    const char* const rows[][2] = {
        {"DEVICE", "dev"},
        {"NAME", "tit"},
        {"VERSION", "ver"},
        {"SETUP", "set"},
        {"UNINSTALL", "uni"},
        {"9X", "9x"},
        {"NT", "nt"},
        {"PARENTS", "par"},
        {"IE", "ie"},
        {"DX", "dx"},
        {"PM", "pm"},
        {"HOTKEY", "hk"},
        {"SETUPFORM", "frm"},
        {"REGVERSION", "rg"},
        {"SMI.DRAVE", "drv"},
        {"SMI.BLUETOOTH", "bt"},
        {"SETUP.SILENT", "sil"},
        {"SETUPFORM.SILENT", "sfrm"},
        {"SETUP.SUCCESS", "suc"},
        {"SETUP.SILENT.SUCCESS", "ssuc"},
        {"SMBIOS.SW135", "sw"},
        {"LASTCRITICALUPDATE", "crit"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(lookup(release, row[0]), row[1]) << row[0];
    // Any letter case; names outside the table fail even where such an element exists.
    EXPECT_EQ(lookup(release, "name"), "tit");
    EXPECT_EQ(lookup(release, "Setup.Silent.Success"), "ssuc");
    EXPECT_EQ(lookup(release + "<TITLE>x</TITLE>", "TITLE"), "(fail)");
    EXPECT_EQ(lookup(release, "NAME "), "(fail)");
    EXPECT_EQ(lookup(release, ""), "(fail)");
    // The release id picks the release.
    EXPECT_EQ(lookup(release, "NAME", 260, "OLD"), "Old");
    EXPECT_EQ(lookup(release, "NAME", 260, "NONE"), "(fail)");
}

TEST_F(ReleaseLookup, SilentSetupRows) {
    // SETUP takes the first setup element whatever its method; the SILENT rows the first
    // whose method is SILENT.
    const std::string release = "<setup method=\"SILENT\" form=\"f1\">first</setup>"
                                "<setup form=\"f2\">second</setup>"
                                "<setup method=\"SILENT\" form=\"f3\">third</setup>";
    EXPECT_EQ(lookup(release, "SETUP"), "first");
    EXPECT_EQ(lookup(release, "SETUP.SILENT"), "first");
    EXPECT_EQ(lookup("<setup form=\"a\">plain</setup>" + release, "SETUP.SILENT"), "first");
    EXPECT_EQ(lookup("<setup form=\"a\">plain</setup>" + release, "SETUPFORM"), "a");
    EXPECT_EQ(lookup("<setup form=\"a\">plain</setup>" + release, "SETUPFORM.SILENT"), "f1");
    EXPECT_EQ(lookup("<setup>plain</setup>", "SETUP.SILENT"), "(fail)");
    // Missing attribute; an empty one is an empty answer.
    EXPECT_EQ(lookup("<setup>plain</setup>", "SETUP.SUCCESS"), "(fail)");
    EXPECT_EQ(lookup("<setup form=\"\" success=\"x\">s</setup>", "SETUPFORM"), "");
}

TEST_F(ReleaseLookup, TextCdataAndEmptyElements) {
    // Plain text: entities decoded by the parse, then UTF-8 to the ANSI code page.
    EXPECT_EQ(lookup("<title>Caf\xC3\xA9 &lt;1&gt;</title>", "NAME"), "Caf\xE9 <1>");
    // CDATA: the raw content.
    EXPECT_EQ(lookup("<title><![CDATA[<b>&amp;</b>]]></title>", "NAME"), "<b>&amp;</b>");
    // An empty element gives the empty result and leaves the buffer alone.
    EXPECT_EQ(lookup("<title></title>", "NAME"), "(empty)");
    EXPECT_EQ(lookup("<title/>", "NAME"), "(empty)");
    EXPECT_EQ(lookup("<title>   </title>", "NAME"), "(empty)");
    // A comment is no child element.
    EXPECT_EQ(lookup("<title><!-- c --></title>", "NAME"), "(empty)");
    // Two child elements, or one of another name, fail.
    EXPECT_EQ(lookup("<title><gd zelpath=\"names/title\"/><x/></title>", "NAME"), "(fail)");
    EXPECT_EQ(lookup("<title><x>t</x></title>", "NAME"), "(fail)");
    EXPECT_EQ(lookup("<version>1</version>", "NAME"), "(fail)");
}

TEST_F(ReleaseLookup, AnswerMustFitTheBuffer) {
    EXPECT_EQ(lookup("<title>Caf\xC3\xA9</title>", "NAME", 5), "Caf\xE9");
    EXPECT_EQ(lookup("<title>Caf\xC3\xA9</title>", "NAME", 4), "(fail)");
    EXPECT_EQ(lookup("<setup form=\"abc\"/>", "SETUPFORM", 3), "(fail)");
    EXPECT_EQ(lookup("<setup form=\"abc\"/>", "SETUPFORM", 4), "abc");
}

TEST_F(ReleaseLookup, GdIndirections) {
    const std::string byZelpath = "<title><gd zelpath=\"names/title\"/></title>";
    const std::string byPath = "<title><gd path=\"/build/zel/names/title\"/></title>";
    EXPECT_EQ(lookup(byZelpath, "NAME"), "English");
    EXPECT_EQ(lookup(byPath, "NAME"), "English");
    setLanguage(0x0407);
    EXPECT_EQ(lookup(byZelpath, "NAME"), "Deutsch");
    EXPECT_EQ(lookup("<title><gd zelpath=\"names/title\">alt</gd></title>", "NAME"), "Alt");
    // The first of path and zelpath wins.
    EXPECT_EQ(lookup("<title><gd path=\"/build/zel/names/inner\" zelpath=\"names/title\">k</gd>"
                     "</title>",
                     "NAME"),
              "Inner");
    EXPECT_EQ(lookup("<title><gd zelpath=\"names/title\" path=\"/build/zel/names/inner\">k</gd>"
                     "</title>",
                     "NAME"),
              "(fail)");
    // Chosen data elements holding CDATA or another gd are followed.
    setLanguage(0x0411);
    EXPECT_EQ(lookup(byZelpath, "NAME"), "<ja> &amp;");
    setLanguage(0x0412);
    EXPECT_EQ(lookup(byZelpath, "NAME"), "Inner");
    // A gd without path or zelpath, or whose selection finds nothing, fails.
    EXPECT_EQ(lookup("<title><gd zel=\"names/title\"/></title>", "NAME"), "(fail)");
    EXPECT_EQ(lookup("<title><gd zelpath=\"names/none\"/></title>", "NAME"), "(fail)");
}

TEST_F(ReleaseLookup, BoundedChainsAndPaths) {
    // A gd chain that leads back to itself ends after a bounded number of indirections.
    EXPECT_EQ(lookup("<title><gd zelpath=\"names/loop\"/></title>", "NAME"), "(fail)");
    // Paths over 259 characters fail the lookup rather than being cut.
    std::string longId(200, 'r');
    EXPECT_EQ(lookup("<title>t</title>", "NAME", 260, longId.c_str()), "(fail)");
    // Text after a predicate's "]" is ignored, which lengthens paths without changing them.
    const std::string title = "names/title[@method=LANGUAGE]";
    EXPECT_EQ(lookup("<title><gd zelpath=\"" + title + "\"/></title>", "NAME"), "English");
    // The selector path may take 239 characters, so that its candidates' paths fit.
    EXPECT_EQ(
        lookup("<title><gd zelpath=\"" + title + std::string(187, 'x') + "\"/></title>", "NAME"),
        "English");
    EXPECT_EQ(
        lookup("<title><gd zelpath=\"" + title + std::string(188, 'x') + "\"/></title>", "NAME"),
        "(fail)");
    EXPECT_EQ(
        lookup("<title><gd zelpath=\"" + title + std::string(250, 'x') + "\"/></title>", "NAME"),
        "(fail)");
    EXPECT_EQ(
        lookup("<title><gd path=\"/build/zel/" + title + std::string(240, 'x') + "\"/></title>",
               "NAME"),
        "(fail)");
}

} // namespace
