#include "files/input_bytes.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "command_error.h"

namespace vastum {

namespace {

// Reads until end of file; works the same for files, pipes and terminals.
std::vector<std::uint8_t> ReadAll(int fd, const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    std::size_t filled = 0;
    for (;;) {
        if (bytes.size() - filled < 65536) {
            bytes.resize(filled + 65536 + bytes.size() / 2);
        }
        const ssize_t count = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CommandError("cannot read " + InputDisplayName(path) + ": " + std::strerror(errno));
        }
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace

std::string InputDisplayName(const std::string& path)
{
    return path == kStandardInputName ? "standard input" : "'" + path + "'";
}

std::vector<std::uint8_t> ReadInputBytes(const std::string& path)
{
    if (path == kStandardInputName) {
        return ReadAll(STDIN_FILENO, path);
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw CommandError("cannot read " + InputDisplayName(path) + ": " + std::strerror(errno));
    }
    try {
        auto bytes = ReadAll(fd, path);
        ::close(fd);
        return bytes;
    } catch (...) {
        ::close(fd);
        throw;
    }
}

}  // namespace vastum
