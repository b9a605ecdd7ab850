// `vastum props`, run as a user runs it: one KS property request to a fresh
// manager of an engine, the value read and the engine's status printed, and
// the exit status following the engine's answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temporary_folder.h"
#include "vastum_program.h"

namespace {

using Props = VastumProgram;

TEST_F(Props, prints_the_value_read_and_the_engines_status)
{
    const std::string success = "STATUS_SUCCESS (0x00000000)\n";
    const struct {
        std::vector<std::string> args;
        std::string out;
        int exitCode;
    } cases[] = {
        {{"--engine", "vyohd", "get", "2"}, "80\n" + success, 0},
        {{"--engine", "vyohd", "get", "16"}, "-6\n" + success, 0},
        {{"--engine", "vyohd", "get", "0x0F"}, "2\n" + success, 0},
        {{"--engine", "vyohd", "--set", "QELWidth=0.35", "get", "2"}, "35\n" + success, 0},
        {{"--engine", "vyohd", "set", "9", "-999"}, success, 0},
        {{"--engine", "vyohd", "set", "9", "7"}, "STATUS_INVALID_PARAMETER (0xC000000D)\n", 1},
        {{"--engine", "vyohd", "set", "2", "4294967295"}, "STATUS_INVALID_PARAMETER (0xC000000D)\n", 1},
        {{"--engine", "vyohd", "get", "5"}, "STATUS_NOT_IMPLEMENTED (0xC0000002)\n", 1},
        {{"--engine", "kova", "get", "4"}, "50\n" + success, 0},
        {{"--engine", "kova", "get", "14", "--node", "3"}, "0\n" + success, 0},
        {{"--engine", "kova", "--set", "SubwooferGain=0.5", "get", "14", "--node", "3"}, "-6\n" + success, 0},
        {{"--engine", "kova", "get", "14", "--node", "4"}, "STATUS_INVALID_PARAMETER (0xC000000D)\n", 1},
        {{"--engine", "kova", "get", "14"}, "STATUS_BUFFER_TOO_SMALL (0xC0000023)\n", 1},
        {{"--engine", "kova", "set", "15", "100"}, success, 0},
        {{"--engine", "kova", "set", "15", "101"}, "STATUS_INVALID_PARAMETER (0xC000000D)\n", 1},
        {{"--engine", "kova", "get", "16"}, "STATUS_NOT_IMPLEMENTED (0xC0000002)\n", 1},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"props"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::string line;
        for (const std::string& arg : args) {
            line += " " + arg;
        }
        const ProgramRun run = Run(args);
        EXPECT_EQ(run.out, c.out) << "vastum" << line;
        EXPECT_EQ(run.exitCode, c.exitCode) << "vastum" << line;
        EXPECT_EQ(run.err, "") << "vastum" << line;
    }
}

TEST_F(Props, a_malformed_request_is_a_usage_error)
{
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"props", "--engine", "none", "get", "1"}, "props: engine none has no property set and no settings"},
        {{"props", "--engine", "vyohd", "get", "two"}, "ID 'two' is not a whole number from 0 to 4294967295"},
        {{"props", "--engine", "vyohd", "set", "2", "4294967296"}, "VALUE '4294967296' is not a 32-bit value"},
        {{"props", "--engine", "vyohd", "set", "2", "-2147483649"}, "VALUE '-2147483649' is not a 32-bit value"},
        {{"props", "--engine", "vyohd", "set", "2", "0x-5"}, "VALUE '0x-5' is not a 32-bit value"},
        {{"props", "--engine", "kova", "get", "14", "--node", "-1"}, "--node '-1' is not a whole number"},
        {{"props", "--engine", "vyohd", "--set", "QELWidth=2", "get", "2"}, "QELWidth must be 0..1"},
        {{"props", "--engine", "vyohd"}, "A subcommand is required"},
        {{"props", "get", "2"}, "--engine is required"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Run(c.args);
        EXPECT_EQ(run.exitCode, 2) << c.message;
        EXPECT_EQ(run.out, "") << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

}  // namespace
