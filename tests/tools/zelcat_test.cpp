// zelcat's output, byte for byte, with its exit codes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Result {
    int code;
    std::string out;
    std::string err;
};

std::string readAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class Zelcat : public ::testing::Test {
  protected:
    std::string directory;

    void SetUp() override {
        char pattern[] = "/tmp/zelcat_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override { ASSERT_EQ(system(("rm -rf '" + directory + "'").c_str()), 0); }

    std::string write(const std::string& name, const std::string& bytes) {
        std::string path = directory + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    Result run(const std::vector<std::string>& arguments) {
        std::string outPath = directory + "/stdout";
        std::string errPath = directory + "/stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::vector<char*> argv;
        std::string program = ZELCAT_PATH;
        argv.push_back(&program[0]);
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        pid_t pid = 0;
        int status = 0;
        Result result = {-1, "", ""};
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0 &&
            waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            result.code = WEXITSTATUS(status);
        posix_spawn_file_actions_destroy(&actions);
        result.out = readAll(outPath);
        result.err = readAll(errPath);
        return result;
    }

    // A refusal: the exit code, nothing on stdout, one line on stderr.
    void expectRefused(const std::vector<std::string>& arguments, int code) {
        Result result = run(arguments);
        std::string shown;
        for (const std::string& argument : arguments)
            shown += argument + " ";
        EXPECT_EQ(result.code, code) << shown;
        EXPECT_EQ(result.out, "") << shown;
        EXPECT_EQ(result.err.compare(0, 8, "zelcat: "), 0) << shown << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << shown << result.err;
    }
};

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
                              "--size", "16", "--codepage", "1251"});
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

TEST_F(Zelcat, FailuresAndUsageErrors) {
    std::string file = write("catalog.xml", Catalog);
    std::string broken = write("broken.xml", "<?xml version=\"1.0\"?><a><b></a>");
    std::string empty = write("empty.xml", "");
    expectRefused({"tree", broken}, 1);
    expectRefused({"select", broken, "/a"}, 1);
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
    expectRefused({"tree", file, "--codepage", "932"}, 2);
    // Subcommands of a later build are refused as usage errors for now.
    expectRefused({"lookup", file, "title"}, 2);
    // A usage error is found before the file is read.
    expectRefused({"select", directory + "/missing.xml"}, 2);
}

} // namespace
