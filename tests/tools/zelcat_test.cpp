// zelcat's output, byte for byte, with its exit codes.
#include <gtest/gtest.h>

#include "tests/tools/zelcat_fixture.h"

namespace {

const std::string Catalog = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                            "<!DOCTYPE build>\r\n"
                            "<!-- Kestrane catalog -->\r\n"
                            "<build id=\"B&amp;1\" note=\"say \\&quot;hi&quot;\">\r\n"
                            "  <zel id=\"QUOLEN\"><!-- inner -->\r\n"
                            "    <title>Caf\xC3\xA9 \x7F&lt;1&gt;\tend </title>\r\n"
                            "    <empty a=\"\" b />\r\n"
                            "    <readme><![CDATA[<b>&amp;</b>\r\n]]></readme>\r\n"
                            "  </zel>tail\r\n"
                            "</build>\r\n";

const std::string CatalogTree = "N \"?xml\" \"\"\n"
                                "  A \"version\" \"1.0\"\n"
                                "  A \"encoding\" \"UTF-8\"\n"
                                "N \"!DOCTYPE\" \"\"\n"
                                "N \"\" \"\"\n"
                                "N \"build\" \"\"\n"
                                "  A \"id\" \"B&1\"\n"
                                "  A \"note\" \"say \\\\\\\"hi\\\"\"\n"
                                "  N \"zel\" \"\"\n"
                                "    A \"id\" \"QUOLEN\"\n"
                                "    N \"title\" \"Caf\\xc3\\xa9 \\x7f<1>\\x09end \"\n"
                                "    N \"empty\" \"\"\n"
                                "      A \"a\" \"\"\n"
                                "      A \"b\" \"\"\n"
                                "    N \"readme\" \"\"\n"
                                "      N \"![CDATA\" \"<b>&amp;</b>\\x0d\\x0a\"\n";

TEST_F(Zelcat, TreeWritesEveryNodeEscaped) {
    std::string file = write("catalog.xml", Catalog);
    Result result = run({"tree", file});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, CatalogTree);
    EXPECT_EQ(result.err, "");
    // Query options are accepted anywhere after the subcommand and change nothing here.
    Result withOptions = run({"tree", "--lang", "0407", file, "--bios", "AB", "--mtm", "2179-AB1",
                              "--size", "16", "--codepage", "932"});
    EXPECT_EQ(withOptions.code, 0);
    EXPECT_EQ(withOptions.out, CatalogTree);
}

TEST_F(Zelcat, TreeInHtmlMode) {
    std::string file = write("page.html", "<html><head><META http-equiv=\"x\"><title>T</title>"
                                          "</head><Body class=\"c\">x<br/>y</BODY></html>");
    Result result = run({"tree", "--html", file});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "N \"HTML\" \"\"\n"
                          "  N \"HEAD\" \"\"\n"
                          "    N \"title\" \"T\"\n"
                          "  N \"BODY\" \"x\"\n"
                          "    A \"class\" \"c\"\n"
                          "    N \"br\" \"\"\n");
    EXPECT_EQ(result.err, "");
    // Without --html the signature test refuses it.
    expectRefused({"tree", file}, 1);
}

TEST_F(Zelcat, SelectWritesOneLine) {
    std::string file = write("catalog.xml", Catalog);
    Result result = run({"select", file, "/build/zel[@id=QUOLEN]/title"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "N \"title\" \"Caf\\xc3\\xa9 \\x7f<1>\\x09end \"\n");
    EXPECT_EQ(result.err, "");
    result = run({"select", file, "/build/zel/readme/![CDATA"});
    EXPECT_EQ(result.out, "N \"![CDATA\" \"<b>&amp;</b>\\x0d\\x0a\"\n");
    result = run({"select", file, "/build//ignored"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "N \"build\" \"\"\n");
    expectRefused({"select", file, "/build/zel[@id=quolen]"}, 1);
    expectRefused({"select", file, "/build/zel[id=QUOLEN]"}, 1);
    expectRefused({"select", file, "build"}, 1);
    expectRefused({"select", file, "/build" + std::string(300, '/')}, 1);
}

TEST_F(Zelcat, ParseReportsWarningsOnStdout) {
    std::string file = write("catalog.xml", Catalog);
    Result result = run({"parse", file});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, file + ": parses\n");
    EXPECT_EQ(result.err, "");
    std::string doubtful =
        write("doubtful.xml", "<?xml version =\"1.0\"?>\n<build x =\"1\"></build>junk\n");
    result = run({"parse", doubtful});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, doubtful +
                              ":1:15: warning: a blank before '=' makes an attribute version "
                              "without value and one with an empty name\n" +
                              doubtful +
                              ":2:10: warning: a blank before '=' makes an attribute x without "
                              "value and one with an empty name\n" +
                              doubtful +
                              ":2:23: warning: text after the end tag of <build> does not begin "
                              "with '<': the parser ignores everything from here to the end of "
                              "the file\n" +
                              doubtful + ": parses, 3 warnings\n");
    EXPECT_EQ(result.err, "");
    // A failing parse is one line on stderr, whatever warnings came before it; HTML mode is
    // not diagnosed.
    std::string broken = write("broken.xml", "<?xml version=\"1.0\"?>\n<a x =\"1\" y= \"2\"/>");
    expectRefused({"parse", broken}, 1);
    EXPECT_EQ(run({"parse", broken}).err,
              "zelcat: " + broken +
                  ":2:13: attribute y: '=' must be followed at once by a double quote, found a "
                  "blank\n");
    expectRefused({"parse", broken, "--html"}, 2);
    std::string page = write("page.html", "<html><p></html>");
    EXPECT_EQ(run({"tree", page, "--html"}).err, "zelcat: " + page + ": the parse failed\n");
}

TEST_F(Zelcat, FailuresAndUsageErrors) {
    std::string file = write("catalog.xml", Catalog);
    std::string broken = write("broken.xml", "<?xml version=\"1.0\"?><a><b></a>");
    std::string empty = write("empty.xml", "");
    expectRefused({"tree", broken}, 1);
    expectRefused({"select", broken, "/a"}, 1);
    // A parse that fails says where and why.
    EXPECT_EQ(run({"select", broken, "/a"}).err,
              "zelcat: " + broken +
                  ":1:28: end tag </a> does not match <b> opened at line 1: expected </b>\n");
    expectRefused({"tree", empty}, 1);
    expectRefused({"tree", directory + "/missing.xml"}, 2);
    expectRefused({}, 2);
    expectRefused({"frobnicate", file}, 2);
    expectRefused({"tree"}, 2);
    expectRefused({"tree", file, "extra"}, 2);
    expectRefused({"select", file}, 2);
    expectRefused({"select", file, "/build", "extra"}, 2);
    expectRefused({"select", file, "/build", "--html"}, 2);
    expectRefused({"tree", file, "--release", "R"}, 2);
    expectRefused({"tree", file, "--verbose"}, 2);
    expectRefused({"tree", file, "--lang"}, 2);
    expectRefused({"tree", file, "--lang", "10409"}, 2);
    expectRefused({"tree", file, "--lang", "04g9"}, 2);
    expectRefused({"tree", file, "--bios", "A"}, 2);
    expectRefused({"tree", file, "--bios-rev", "100"}, 2);
    expectRefused({"tree", file, "--mtm", "123456789012"}, 2);
    expectRefused({"tree", file, "--size", "-1"}, 2);
    expectRefused({"tree", file, "--codepage", "1251"}, 2);
    expectRefused({"tree", file, "--hex"}, 2);
    // TITLE is no release value name.
    expectRefused({"lookup", file, "title"}, 1);
    // A usage error is found before the file is read.
    expectRefused({"select", directory + "/missing.xml"}, 2);
}

// ini: the value, then where it came from; a read that gives no characters says why.
TEST_F(Zelcat, IniReadsAProfileValueAndItsLine) {
    std::string file = write("setup.dat", "[INIT]\r\nTARGET=%DIR%\r\nEMPTY=\r\nBARE\r\n"
                                          "LOST=%NONE%\r\n[STRINGS.0407]\r\nDIR=Werkzeuge\r\n"
                                          "[STRINGS]\r\nDIR=\"Tools\"\r\n");
    const struct {
        std::vector<std::string> arguments;
        std::string out;
    } reads[] = {
        {{"ini", file, "init", "target"}, "%DIR%\n" + file + ":2: [init] target\n"},
        {{"ini", file, "INIT", "TARGET", "--lang", "0407"},
         "Werkzeuge\n" + file + ":7: [STRINGS.0407] DIR\n"},
        {{"ini", file, "INIT", "TARGET", "--lang", "0409"},
         "Tools\n" + file + ":9: [STRINGS] DIR\n"},
        {{"ini", file, "INIT", "TARGET", "--lang", "0407", "--size", "6"},
         "Werkz\n" + file + ":7: [STRINGS.0407] DIR\n"},
        {{"ini", file, "INIT", "NONE", "--default", "%DIR%  ", "--lang", "0407"},
         "Werkzeuge\n" + file + ":7: [STRINGS.0407] DIR\n"},
        {{"ini", file, "INIT", "NONE", "--default", "x  "}, "x\n" + file + ":0: [INIT] NONE\n"},
    };
    for (const auto& read : reads) {
        Result result = run(read.arguments);
        EXPECT_EQ(result.code, 0) << read.arguments[2] << " " << read.arguments[3];
        EXPECT_EQ(result.out, read.out);
        EXPECT_EQ(result.err, "");
    }

    const struct {
        std::vector<std::string> arguments;
        int code;
        std::string err;
    } refusals[] = {
        {{"ini", file, "INIT", "NONE"}, 1, file + ": no [INIT] NONE"},
        {{"ini", file, "INIT", "BARE"}, 1, file + ":4: [INIT] BARE has no \"=\""},
        {{"ini", file, "INIT", "EMPTY"}, 3, file + ":3: [INIT] EMPTY reads as empty"},
        {{"ini", file, "INIT", "TARGET", "--size", "1"},
         3,
         file + ":2: [INIT] TARGET reads as empty"},
        {{"ini", file, "INIT", "LOST", "--lang", "0407"},
         1,
         file + ":5: [INIT] LOST refers to \"NONE\", missing from [STRINGS.0407], [STRINGS.0007] "
                "and [STRINGS]"},
        {{"ini", directory + "/missing.dat", "INIT", "TARGET"},
         2,
         "cannot read " + directory + "/missing.dat"},
    };
    for (const auto& refusal : refusals) {
        Result result = run(refusal.arguments);
        EXPECT_EQ(result.code, refusal.code) << refusal.err;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "zelcat: " + refusal.err + "\n");
    }
    expectRefused({"ini", file, "INIT"}, 2);
    expectRefused({"ini", file, "INIT", "TARGET", "--html"}, 2);
    expectRefused({"tree", file, "--default", "x"}, 2);
}

TEST_F(Zelcat, EncodeAndDecode) {
    std::string text = write("name.txt", "Caf\xC3\xA9 \xCE\xA9\n");
    Result result = run({"encode", text});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "Caf\xE9 O\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(run({"encode", text, "--hex"}).out, "43 61 66 e9 20 4f 0a\n");
    EXPECT_EQ(run({"encode", "--codepage", "932", text}).out, "Cafe \x83\xB6\n");
    EXPECT_EQ(run({"encode", text, "--codepage", "950", "--hex"}).out, "43 61 66 65 20 a3 5b 0a\n");

    // Bytes as they are: a NUL, a lead byte before it, a pair, a lead byte at the end.
    std::string bytes = write("name.bin", std::string("\x81\0\x83\xB6\x81", 5));
    result = run({"decode", bytes, "--codepage", "932"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, std::string("\xE3\x83\xBB\0\xCE\xA9\xE3\x83\xBB", 9));
    EXPECT_EQ(run({"decode", bytes, "--hex"}).out, "c2 81 00 c6 92 c2 b6 c2 81\n");

    std::string empty = write("empty.txt", "");
    result = run({"encode", empty});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(run({"decode", empty, "--hex"}).out, "\n");

    expectRefused({"encode"}, 2);
    expectRefused({"encode", text, "extra"}, 2);
    expectRefused({"decode", directory + "/missing.bin"}, 2);
    expectRefused({"encode", text, "--codepage", "1251"}, 2);
    expectRefused({"decode", text, "--html"}, 2);
    expectRefused({"encode", text, "--release", "R"}, 2);
}

} // namespace
