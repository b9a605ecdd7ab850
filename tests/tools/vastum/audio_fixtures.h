// Audio to feed the command line in tests: PCM with every sample pattern
// that a conversion could get wrong, WAVE files assembled byte by byte,
// independently of the code under test, and files in formats the system
// refuses, as libsndfile writes them.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "audio/memory_sound_io.h"

// Frames whose samples walk through the extremes of the depth (most
// negative, -1, 0, +1, most positive) and then pseudo-random bytes.
inline vastum::Audio TestAudio(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels, std::size_t frames,
                               std::optional<std::uint32_t> mask = std::nullopt)
{
    vastum::Audio audio{{rate, bits, channels, mask}, {}};
    const std::size_t bytesPerSample = bits / 8u;
    audio.pcm.resize(frames * channels * bytesPerSample);
    std::uint32_t state = 2463534242u;
    for (std::size_t sample = 0; sample < frames * channels; ++sample) {
        std::uint8_t* bytes = &audio.pcm[sample * bytesPerSample];
        // Little-endian patterns of -2^(n-1), -1, 0, +1, 2^(n-1)-1 in the signed depths.
        switch (sample) {
        case 0: std::memset(bytes, 0x00, bytesPerSample); bytes[bytesPerSample - 1] = 0x80; continue;
        case 1: std::memset(bytes, 0xFF, bytesPerSample); continue;
        case 2: std::memset(bytes, 0x00, bytesPerSample); continue;
        case 3: std::memset(bytes, 0x00, bytesPerSample); bytes[0] = 0x01; continue;
        case 4: std::memset(bytes, 0xFF, bytesPerSample); bytes[bytesPerSample - 1] = 0x7F; continue;
        default: break;
        }
        for (std::size_t b = 0; b < bytesPerSample; ++b) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            bytes[b] = static_cast<std::uint8_t>(state);
        }
    }
    return audio;
}

inline void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

inline void AppendChunk(std::vector<std::uint8_t>& out, const char* id, const std::vector<std::uint8_t>& data)
{
    out.insert(out.end(), id, id + 4);
    AppendLittleEndian(out, static_cast<std::uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        out.push_back(0);
    }
}

// The 16-byte PCM "fmt " body, or the 40-byte WAVE_FORMAT_EXTENSIBLE one
// when a mask is given (sub-format KSDATAFORMAT_SUBTYPE_PCM).
inline std::vector<std::uint8_t> WaveFormatChunk(const vastum::AudioFormat& format, std::uint16_t formatTag = 1)
{
    std::vector<std::uint8_t> fmt;
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(format.channels * format.bitsPerSample / 8);
    AppendLittleEndian(fmt, format.channelMask ? 0xFFFEu : formatTag, 2);
    AppendLittleEndian(fmt, format.channels, 2);
    AppendLittleEndian(fmt, format.sampleRate, 4);
    AppendLittleEndian(fmt, format.sampleRate * blockAlign, 4);
    AppendLittleEndian(fmt, blockAlign, 2);
    AppendLittleEndian(fmt, format.bitsPerSample, 2);
    if (format.channelMask) {
        AppendLittleEndian(fmt, 22, 2);
        AppendLittleEndian(fmt, format.bitsPerSample, 2);
        AppendLittleEndian(fmt, *format.channelMask, 4);
        const std::uint8_t pcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                               0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        fmt.insert(fmt.end(), pcmSubFormat, pcmSubFormat + 16);
    }
    return fmt;
}

// A WAVE file as a recorder writes one: the data chunk holds the PCM bytes
// exactly as the system keeps them. `extraChunk` goes before "fmt ".
inline std::vector<std::uint8_t> HandMadeWave(const vastum::Audio& audio,
                                              const std::vector<std::uint8_t>& extraChunk = {})
{
    std::vector<std::uint8_t> body = {'W', 'A', 'V', 'E'};
    if (!extraChunk.empty()) {
        AppendChunk(body, "LIST", extraChunk);
    }
    AppendChunk(body, "fmt ", WaveFormatChunk(audio.format));
    AppendChunk(body, "data", audio.pcm);
    std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
    AppendLittleEndian(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The bytes of a file's "data" chunk, found by walking its chunks.
inline std::vector<std::uint8_t> WaveDataChunk(const std::vector<std::uint8_t>& file)
{
    std::size_t offset = 12;
    while (offset + 8 <= file.size()) {
        std::uint32_t size = 0;
        std::memcpy(&size, &file[offset + 4], 4);
        if (std::memcmp(&file[offset], "data", 4) == 0) {
            return {file.begin() + static_cast<std::ptrdiff_t>(offset + 8),
                    file.begin() + static_cast<std::ptrdiff_t>(offset + 8 + size)};
        }
        offset += 8 + size + (size & 1u);
    }
    return {};
}

// Eight silent frames at 48000 Hz in a libsndfile `format` (SF_FORMAT_...).
inline std::vector<std::uint8_t> LibsndfileWave(int format, int channels)
{
    std::vector<std::uint8_t> bytes;
    vastum::MemorySoundIo io(bytes);
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = io.Open(SFM_WRITE, &info);
    std::vector<int> silence(static_cast<std::size_t>(channels) * 8);
    sf_writef_int(file, silence.data(), 8);
    sf_close(file);
    return bytes;
}
