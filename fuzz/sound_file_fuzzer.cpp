// Any bytes as an input file: decoding either refuses them with a message or
// yields audio that encodes and decodes again to the same samples, format
// and channel mask. The header walk for the mask must never read outside
// the bytes.
#include <cstdint>
#include <span>
#include <vector>

#include "audio/sound_file.h"
#include "audio/wave_channel_mask.h"
#include "command_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> file(data, size);
    std::vector<std::uint8_t> copy(data, data + size);
    vastum::WriteWaveChannelMask(copy, 0x3F);
    (void)vastum::ReadWaveChannelMask(file);

    vastum::Audio audio;
    try {
        audio = vastum::DecodeSoundFile(file, "fuzz");
    } catch (const vastum::CommandError&) {
        return 0;
    }
    const vastum::Audio again = vastum::DecodeSoundFile(vastum::EncodeWave(audio), "again");
    if (again.format != audio.format || again.pcm != audio.pcm) {
        __builtin_trap();
    }
    return 0;
}
