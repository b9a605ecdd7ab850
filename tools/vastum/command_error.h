// The two ways a command fails. Both carry one line for the user; main prints
// it after the program's name and exits with the matching code.
#pragma once

#include <stdexcept>
#include <string>

namespace vastum {

// The command line itself is wrong: an unknown option or engine, a malformed
// value. Exit code 2, as the shell's own tools use for misuse.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command was well formed but could not be carried out: an unreadable or
// unsupported input, an engine that refuses the format, an output that cannot
// be written. Exit code 1.
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kExitCommandFailed = 1;
inline constexpr int kExitUsage = 2;

}  // namespace vastum
