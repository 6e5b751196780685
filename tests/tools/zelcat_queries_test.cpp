// zelcat's value subcommands, byte for byte, with their exit codes.
#include <gtest/gtest.h>

#include "tests/tools/zelcat_fixture.h"

namespace {

const std::string Catalog =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<?zel version=\"2.1\"?>\n"
    "<build id=\"KSI-1\" href=\"http://u.example/c/\">\n"
    "  <title><gd path=\"/build/zel/names/title\"/></title>\n"
    "  <version>1.05.0000</version>\n"
    "  <readme><![CDATA[read <me>]]></readme>\n"
    "  <releaseDate>2026120A</releaseDate>\n"
    "  <file size=\"1048576\" crc=\"0x1A2B3C4D\">quolen-1.05.cab</file>\n"
    "  <zel id=\"QUOLEN\" downlevel=\"1.00.0000\">\n"
    "    <category>System &amp; Tools</category>\n"
    "    <names>\n"
    "      <title method=\"LANGUAGE\" default=\"0409\">\n"
    "        <item id=\"0409\"><data>Kestrane Software Installer</data></item>\n"
    "        <item id=\"0407\"><data>Kestrane Software-Installationsprogramm</data></item>\n"
    "        <item id=\"000C\"><data>Programme d\xE2\x80\x99installation</data></item>\n"
    "        <item id=\"0412\"><data>Kestrane \xEC\x84\xA4\xEC\xB9\x98</data></item>\n"
    "      </title>\n"
    "      <mtm method=\"MTM\" default=\"none\">\n"
    "        <item id=\"2179\"><data>T60</data><data id=\"model\">T60p</data></item>\n"
    "        <item id=\"none\"><data>other</data></item>\n"
    "      </mtm>\n"
    "    </names>\n"
    "    <xrelease order=\"RELEASE OLD\">\n"
    "      <release id=\"RELEASE\">\n"
    "        <title><gd zelpath=\"names/title\"/></title>\n"
    "        <version>1.05.0000</version>\n"
    "        <setup form=\"silent\">setup.exe</setup>\n"
    "        <uninstall reg=\"\">_zelu000.exe</uninstall>\n"
    "        <device></device>\n"
    "      </release>\n"
    "      <release id=\"OLD\"><title>Old</title></release>\n"
    "    </xrelease>\n"
    "    <file>setup_<pd method=\"LANGUAGE\"/>.exe</file>\n"
    "    <model><pd method=\"MTM2\"/></model>\n"
    "    <machine><pd method=\"MTM\"/> / <pd method=\"BIOSID\"/></machine>\n"
    "  </zel>\n"
    "  <zel id=\"TOOLS\"><category>Tools</category></zel>\n"
    "</build>\n";

class ZelcatQueries : public Zelcat {
  protected:
    std::string file;
    void SetUp() override {
        Zelcat::SetUp();
        file = write("NRXZEL.xml", Catalog);
    }
    // Success: exit 0, exactly the expected stdout, nothing on stderr.
    void expectAnswer(std::vector<std::string> arguments, const std::string& expected) {
        arguments.insert(arguments.begin() + 1, file);
        Result result = run(arguments);
        EXPECT_EQ(result.code, 0) << arguments[0] << " " << arguments.back() << result.err;
        EXPECT_EQ(result.out, expected) << arguments[0] << " " << arguments.back();
        EXPECT_EQ(result.err, "");
    }
    void expectFailure(std::vector<std::string> arguments, int code) {
        arguments.insert(arguments.begin() + 1, file);
        expectRefused(arguments, code);
    }
};

TEST_F(ZelcatQueries, Lookup) {
    expectAnswer({"lookup", "NAME"}, "Kestrane Software Installer\n");
    expectAnswer({"lookup", "NAME", "--lang", "0407"}, "Kestrane Software-Installationsprogramm\n");
    // Primary language, converted to the ANSI code page.
    expectAnswer({"lookup", "name", "--lang", "040C"}, "Programme d\x92installation\n");
    // A Korean system's name: in its code page; in the Western one, default characters.
    expectAnswer({"lookup", "NAME", "--lang", "0412", "--codepage", "949"},
                 "Kestrane \xBC\xB3\xC4\xA1\n");
    expectAnswer({"lookup", "NAME", "--lang", "0412"}, "Kestrane ??\n");
    expectFailure({"lookup", "NAME", "--lang", "0412", "--codepage", "949", "--size", "13"}, 1);
    expectAnswer({"lookup", "Version"}, "1.05.0000\n");
    expectAnswer({"lookup", "SETUPFORM"}, "silent\n");
    expectAnswer({"lookup", "REGVERSION"}, "\n");
    expectAnswer({"lookup", "NAME", "--release", "OLD"}, "Old\n");
    expectAnswer({"lookup", "NAME", "--size", "28"}, "Kestrane Software Installer\n");
    expectFailure({"lookup", "NAME", "--size", "27"}, 1);
    expectFailure({"lookup", "NAME", "--product", "TOOLS"}, 1);
    expectFailure({"lookup", "TITLE"}, 1);
    expectFailure({"lookup", "SETUP.SILENT"}, 1);
    // The empty value element has an exit code of its own.
    expectFailure({"lookup", "DEVICE"}, 3);
    expectFailure({"lookup", "DEVICE", "--release", "OLD"}, 1);
}

TEST_F(ZelcatQueries, ChooseComposeText) {
    expectAnswer({"choose", "/build/zel/names/title", "--lang", "0407"},
                 "/build/zel/names/title/item[@id=0407]/data\n");
    expectAnswer({"choose", "/build/zel/names/title", "--lang", "0411"},
                 "/build/zel/names/title/item[@id=0409]/data\n");
    expectAnswer({"choose", "/build/zel/names/mtm", "model", "--mtm", "2179-AB1"},
                 "/build/zel/names/mtm/item[@id=2179]/data[@id=model]\n");
    expectAnswer({"choose", "/build/zel/names/mtm", "--mtm", "2180-AB1"},
                 "/build/zel/names/mtm/item[@id=none]/data\n");
    expectFailure({"choose", "/build/zel/names/mtm", "model"}, 1);
    expectFailure({"choose", "/build/zel/names/title", "--size", "40"}, 1);
    // The path itself goes into the buffer first: 22 characters need 23 bytes.
    expectFailure({"choose", "/build/zel/names/title", "--size", "22"}, 1);
    EXPECT_NE(run({"choose", file, "/build/zel/names/title", "--size", "22"})
                  .err.find("PATH does not fit in 22 bytes"),
              std::string::npos);
    expectFailure({"choose", "/build/zel/names"}, 1);

    expectAnswer({"compose", "/build/zel/file"}, "setup_0409.exe\n");
    expectAnswer({"compose", "/build/zel/file", "--lang", "0c0a"}, "setup_0C0A.exe\n");
    expectAnswer({"compose", "/build/zel/machine", "--bios", "AB", "--mtm", "1-2"}, "1-2/AB\n");
    expectAnswer({"compose", "/build/zel/category"}, "System&Tools\n");
    // MTM2 is no composition method; a gd without path fails.
    expectFailure({"compose", "/build/zel/model"}, 1);
    expectFailure({"compose", "/build/zel"}, 1);
    expectFailure({"compose", "/build/none"}, 1);

    expectAnswer({"text", "/build/title", "--lang", "0407"},
                 "Kestrane Software-Installationsprogramm\n");
    expectAnswer({"text", "/build/readme"}, "read <me>\n");
    expectFailure({"text", "/build/zel/xrelease/release/title"}, 1);
    expectFailure({"text", "/build/readme", "--size", "9"}, 1);
}

TEST_F(ZelcatQueries, BuildAndProductFacts) {
    expectAnswer({"format-version"}, "2.1\n");
    expectAnswer({"build-id"}, "KSI-1\n");
    expectFailure({"build-id", "--size", "5"}, 1);
    expectAnswer({"build-href"}, "http://u.example/c/\n");
    expectAnswer({"release-id", "QUOLEN", "1"}, "OLD\n");
    expectFailure({"release-id", "QUOLEN", "2"}, 1);
    expectFailure({"release-id", "TOOLS", "0"}, 1);
    expectAnswer({"product-id", "0"}, "QUOLEN\n");
    expectAnswer({"product-id", "1"}, "TOOLS\n");
    expectFailure({"product-id", "2"}, 1);
    expectAnswer({"downlevel", "QUOLEN"}, "1.00.0000\n");
    expectFailure({"downlevel", "TOOLS"}, 1);
    expectAnswer({"category", "QUOLEN"}, "System & Tools\n");
    expectAnswer({"category", "TOOLS"}, "Tools\n");
    expectAnswer({"title-version"}, "Kestrane Software Installer\n1.05.0000\n");
    expectAnswer({"title-version", "--lang", "0407"},
                 "Kestrane Software-Installationsprogramm\n1.05.0000\n");
    expectAnswer({"build-file"}, "quolen-1.05.cab\n1048576\n0x1A2B3C4D\n2026120A\nread <me>\n");
    expectFailure({"build-file", "--size", "10"}, 1);
}

TEST_F(ZelcatQueries, Resolve) {
    expectAnswer({"resolve", "/build/zel/file/pd", "--lang", "0C0A"}, "0C0A\n");
    expectAnswer({"resolve", "/build/zel/model/pd", "--mtm", "2179-AB1"}, "2179AB1\n");
    // The chosen data text as it stands in the catalog.
    expectAnswer({"resolve", "/build/title/gd", "--lang", "040c"},
                 "Programme d\xE2\x80\x99installation\n");
    expectAnswer({"resolve", "/build/zel/file"}, "setup_\n");
    expectFailure({"resolve", "/build/zel/xrelease/release/title/gd"}, 1);
    expectFailure({"resolve", "/build/none"}, 1);
}

TEST_F(ZelcatQueries, HelpAndUsage) {
    Result help = run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.err, "");
    for (const char* name :
         {"tree", "select", "choose", "lookup", "compose", "text", "release-id", "product-id",
          "format-version", "build-id", "build-href", "downlevel", "category", "title-version",
          "build-file", "resolve", "encode", "decode"}) {
        std::string line = std::string("\n  ") + name + " FILE";
        size_t at = help.out.find(line);
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_EQ(help.out.find(line, at + 1), std::string::npos) << name;
    }
    expectFailure({"release-id", "QUOLEN", "x"}, 2);
    expectFailure({"release-id", "QUOLEN", "-1"}, 2);
    expectFailure({"product-id", "4294967296"}, 2);
    // The largest INDEX is read, and names no product.
    expectFailure({"product-id", "4294967295"}, 1);
    expectFailure({"release-id", "QUOLEN"}, 2);
    expectFailure({"choose"}, 2);
    expectFailure({"choose", "/a", "b", "c"}, 2);
    expectFailure({"title-version", "extra"}, 2);
    expectFailure({"lookup", "NAME", "--html"}, 2);
    expectFailure({"compose", "/build", "--release", "R"}, 2);
    expectRefused({"build-file", directory + "/missing.xml"}, 2);
}

} // namespace
