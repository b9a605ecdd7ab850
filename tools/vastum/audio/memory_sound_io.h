// libsndfile's virtual I/O over bytes in memory. Files are decoded from a
// buffer (so standard input, which cannot seek, reads like any file) and
// encoded into one (so the output reaches the disk only through the atomic
// file writer).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <sndfile.h>

namespace vastum {

class MemorySoundIo {
public:
    // Reading: the bytes must outlive every SNDFILE opened on them.
    explicit MemorySoundIo(std::span<const std::uint8_t> readable);
    // Writing: the file grows in `writable`.
    explicit MemorySoundIo(std::vector<std::uint8_t>& writable);

    SNDFILE* Open(int mode, SF_INFO* info);

private:
    static sf_count_t GetLength(void* self);
    static sf_count_t Seek(sf_count_t offset, int whence, void* self);
    static sf_count_t Read(void* destination, sf_count_t count, void* self);
    static sf_count_t Write(const void* source, sf_count_t count, void* self);
    static sf_count_t Tell(void* self);

    std::span<const std::uint8_t> Contents() const;

    std::span<const std::uint8_t> readable_;
    std::vector<std::uint8_t>* writable_ = nullptr;
    sf_count_t position_ = 0;
};

}  // namespace vastum
