#include "audio/wave_channel_mask.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#include <mmreg.h>

namespace vastum {

namespace {

static_assert(std::endian::native == std::endian::little, "WAVE headers are read in place as little-endian");

constexpr std::size_t kRiffHeaderBytes = 12;  // "RIFF", size, "WAVE"
constexpr std::size_t kChunkHeaderBytes = 8;  // id, size

bool HasId(std::span<const std::uint8_t> file, std::size_t offset, std::string_view id)
{
    return std::memcmp(file.data() + offset, id.data(), 4) == 0;
}

std::uint32_t ReadLittleEndian32(const std::uint8_t* bytes)
{
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Offset of the WAVEFORMATEXTENSIBLE in the file, if its "fmt " chunk is one.
// Chunks are walked by their declared sizes (padded to even), and every
// offset is checked against the file's length before it is read.
std::optional<std::size_t> FindExtensibleFormat(std::span<const std::uint8_t> file)
{
    if (file.size() < kRiffHeaderBytes || !(HasId(file, 0, "RIFF") || HasId(file, 0, "RF64")) ||
        !HasId(file, 8, "WAVE")) {
        return std::nullopt;
    }
    std::size_t offset = kRiffHeaderBytes;
    while (file.size() - offset >= kChunkHeaderBytes) {
        const std::size_t chunkBytes = ReadLittleEndian32(file.data() + offset + 4);
        const std::size_t data = offset + kChunkHeaderBytes;
        if (HasId(file, offset, "fmt ")) {
            if (chunkBytes < sizeof(WAVEFORMATEXTENSIBLE) || file.size() - data < sizeof(WAVEFORMATEXTENSIBLE)) {
                return std::nullopt;
            }
            WAVEFORMATEXTENSIBLE format;
            std::memcpy(&format, file.data() + data, sizeof format);
            const bool extensible = format.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE &&
                                    format.Format.cbSize >= sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
            return extensible ? std::optional<std::size_t>(data) : std::nullopt;
        }
        const std::size_t paddedBytes = chunkBytes + (chunkBytes & 1u);
        if (file.size() - data < paddedBytes) {
            return std::nullopt;
        }
        offset = data + paddedBytes;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> ReadWaveChannelMask(std::span<const std::uint8_t> file)
{
    const auto format = FindExtensibleFormat(file);
    if (!format) {
        return std::nullopt;
    }
    return ReadLittleEndian32(file.data() + *format + offsetof(WAVEFORMATEXTENSIBLE, dwChannelMask));
}

bool WriteWaveChannelMask(std::span<std::uint8_t> file, std::uint32_t mask)
{
    const auto format = FindExtensibleFormat(file);
    if (!format) {
        return false;
    }
    std::memcpy(file.data() + *format + offsetof(WAVEFORMATEXTENSIBLE, dwChannelMask), &mask, sizeof mask);
    return true;
}

}  // namespace vastum
