#include "files/output_bytes.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "command_error.h"
#include "files/atomic_file.h"

namespace vastum {

namespace {

void WriteStandardOutput(std::span<const std::uint8_t> bytes)
{
    if (::isatty(STDOUT_FILENO)) {
        throw CommandError("standard output is a terminal; name an output file or redirect it");
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CommandError(std::string("cannot write standard output: ") + std::strerror(errno));
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

}  // namespace

void WriteOutputBytes(const std::string& path, std::span<const std::uint8_t> bytes)
{
    if (path == kStandardOutputName) {
        WriteStandardOutput(bytes);
    } else {
        WriteFileAtomically(path, bytes);
    }
}

}  // namespace vastum
