#include "audio/memory_sound_io.h"

#include <algorithm>
#include <cstring>

namespace vastum {

MemorySoundIo::MemorySoundIo(std::span<const std::uint8_t> readable) : readable_(readable) {}

MemorySoundIo::MemorySoundIo(std::vector<std::uint8_t>& writable) : writable_(&writable) {}

SNDFILE* MemorySoundIo::Open(int mode, SF_INFO* info)
{
    static SF_VIRTUAL_IO callbacks = {GetLength, Seek, Read, Write, Tell};
    return sf_open_virtual(&callbacks, mode, info, this);
}

std::span<const std::uint8_t> MemorySoundIo::Contents() const
{
    return writable_ ? std::span<const std::uint8_t>(*writable_) : readable_;
}

sf_count_t MemorySoundIo::GetLength(void* self)
{
    return static_cast<sf_count_t>(static_cast<MemorySoundIo*>(self)->Contents().size());
}

sf_count_t MemorySoundIo::Seek(sf_count_t offset, int whence, void* self)
{
    auto* io = static_cast<MemorySoundIo*>(self);
    sf_count_t base = 0;
    switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = io->position_; break;
    case SEEK_END: base = GetLength(self); break;
    default: return -1;
    }
    if (offset < -base) {
        return -1;
    }
    io->position_ = base + offset;
    return io->position_;
}

sf_count_t MemorySoundIo::Read(void* destination, sf_count_t count, void* self)
{
    auto* io = static_cast<MemorySoundIo*>(self);
    const auto contents = io->Contents();
    const auto size = static_cast<sf_count_t>(contents.size());
    if (count <= 0 || io->position_ >= size) {
        return 0;
    }
    const sf_count_t available = std::min(count, size - io->position_);
    std::memcpy(destination, contents.data() + io->position_, static_cast<std::size_t>(available));
    io->position_ += available;
    return available;
}

// Writing past the end grows the file; a gap left by a seek beyond the end
// reads as zero bytes, as it would in a real file.
sf_count_t MemorySoundIo::Write(const void* source, sf_count_t count, void* self)
{
    auto* io = static_cast<MemorySoundIo*>(self);
    if (!io->writable_ || count <= 0) {
        return 0;
    }
    std::vector<std::uint8_t>& file = *io->writable_;
    const auto end = static_cast<std::size_t>(io->position_ + count);
    if (file.size() < end) {
        file.resize(end);
    }
    std::memcpy(file.data() + io->position_, source, static_cast<std::size_t>(count));
    io->position_ += count;
    return count;
}

sf_count_t MemorySoundIo::Tell(void* self)
{
    return static_cast<MemorySoundIo*>(self)->position_;
}

}  // namespace vastum
