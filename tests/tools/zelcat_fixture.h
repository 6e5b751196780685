// Runs zelcat as a child process and keeps its exit code, stdout and stderr.
#pragma once

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

struct Result {
    int code;
    std::string out;
    std::string err;
};

inline std::string readAll(const std::string& path) {
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
