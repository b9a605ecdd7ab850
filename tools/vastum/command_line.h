// The `vastum` command line: verbs, options, help and exit codes. main()
// only hands its arguments and streams to RunCommandLine.
#pragma once

#include <ostream>

namespace vastum {

// Runs one command. Help goes to `out`; a failure prints one line to `err`
// and returns kExitUsage (a malformed command) or kExitCommandFailed.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace vastum
