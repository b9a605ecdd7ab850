#include "files/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "command_error.h"

namespace vastum {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void FailWriting(const std::string& path, int error)
{
    throw CommandError("cannot write '" + path + "': " + std::strerror(error));
}

// The file that will finally hold the bytes: the target of a symbolic link,
// so that replacing it does not replace the link itself.
fs::path FinalPath(const std::string& path)
{
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(path, error))) {
        const fs::path resolved = fs::weakly_canonical(path, error);
        if (!error) {
            return resolved;
        }
    }
    return path;
}

// A new, hidden file beside `target` (".demo.wav.vastum-PID-N"), created
// exclusively so that it never reuses someone else's file.
int CreateTemporaryBeside(const fs::path& target, fs::path& temporary)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary = folder / ("." + target.filename().string() + ".vastum-" + std::to_string(::getpid()) + "-" +
                              std::to_string(attempt));
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

// After the rename, flushing the folder makes the new name itself durable.
// A folder that cannot be opened or flushed does not undo a finished write.
void FlushFolderOf(const fs::path& target)
{
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes)
{
    const fs::path target = FinalPath(path);
    fs::path temporary;
    const int fd = CreateTemporaryBeside(target, temporary);
    if (fd < 0) {
        FailWriting(path, errno);
    }

    struct stat existing;
    bool written = true;
    if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        written = ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    written = written && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        FailWriting(path, error);
    }
    FlushFolderOf(target);
}

}  // namespace vastum
