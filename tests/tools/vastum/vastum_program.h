// Runs the built `vastum` as a user runs it, in a fresh folder per test,
// and captures its exit code and standard streams.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "temporary_folder.h"

struct ProgramRun {
    int exitCode;
    std::string out;
    std::string err;
};

inline std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

inline std::string ReadText(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

class VastumProgram : public ::testing::Test {
protected:
    // Runs `vastum ARGS` in the test's folder; standard output and error are
    // captured outside it, so the folder shows only what the program made.
    ProgramRun Run(const std::vector<std::string>& args, const std::string& standardInput = "/dev/null")
    {
        std::string command = "cd " + Quoted(folder / "") + " && " + Quoted(VASTUM_PROGRAM);
        for (const std::string& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " <" + Quoted(standardInput) + " >" + Quoted(captures / "out") + " 2>" + Quoted(captures / "err");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(captures / "out"), ReadText(captures / "err")};
    }

    TemporaryFolder folder;
    TemporaryFolder captures;
};

