#include "audio/sound_file.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "audio/memory_sound_io.h"
#include "audio/pcm_sample.h"
#include "audio/wave_channel_mask.h"
#include "command_error.h"

namespace vastum {

namespace {

// libsndfile's integer PCM subtypes and the system's sample depth for each.
// Signed 8-bit files (AIFF, raw) become the system's unsigned 8-bit samples.
struct IntegerSubtype {
    int subtype;
    std::uint16_t bitsPerSample;
};

constexpr IntegerSubtype kIntegerSubtypes[] = {
    {SF_FORMAT_PCM_U8, 8},
    {SF_FORMAT_PCM_S8, 8},
    {SF_FORMAT_PCM_16, 16},
    {SF_FORMAT_PCM_24, 24},
    {SF_FORMAT_PCM_32, 32},
};

// The subtype WAVE files use for each depth (8-bit WAVE samples are unsigned).
int WaveSubtype(std::uint16_t bitsPerSample)
{
    switch (bitsPerSample) {
    case 8: return SF_FORMAT_PCM_U8;
    case 16: return SF_FORMAT_PCM_16;
    case 24: return SF_FORMAT_PCM_24;
    default: return SF_FORMAT_PCM_32;
    }
}

// The containers that hold integer PCM, by the bytes they begin with. Other
// files never reach libsndfile's format guessing, whose MPEG decoder prints
// its complaints about a damaged file to standard error.
constexpr std::string_view kPcmContainerMagic[] = {
    "RIFF", "RIFX", "RF64", "BW64",  // WAVE
    "FORM",                          // AIFF, AIFC
    "riff",                          // Wave64
    ".snd", "dns.",                  // AU, both byte orders
    "caff",                          // CAF
    "fLaC",                          // FLAC
};

bool StartsLikePcmContainer(std::span<const std::uint8_t> file)
{
    for (const std::string_view magic : kPcmContainerMagic) {
        if (file.size() >= magic.size() && std::memcmp(file.data(), magic.data(), magic.size()) == 0) {
            return true;
        }
    }
    return false;
}

// A RIFF file counts its bytes in 32 bits; the headers need the rest.
constexpr std::size_t kMaxWaveDataBytes = 0xFFFFFFFFu - 4096;

// Frames converted per libsndfile call, so the integer staging buffer stays small.
constexpr std::size_t kFramesPerTransfer = 4096;

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

std::string SubtypeName(int format)
{
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_SUBMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) {
        return info.name;
    }
    return "subtype " + std::to_string(info.format);
}

std::uint16_t BitsOfIntegerSubtype(int format, const std::string& name)
{
    const int subtype = format & SF_FORMAT_SUBMASK;
    for (const IntegerSubtype& entry : kIntegerSubtypes) {
        if (entry.subtype == subtype) {
            return entry.bitsPerSample;
        }
    }
    throw CommandError(name + ": unsupported sample format: " + SubtypeName(format) +
                       " (8, 16, 24 or 32-bit integer PCM expected)");
}

}  // namespace

Audio DecodeSoundFile(std::span<const std::uint8_t> file, const std::string& name)
{
    if (!StartsLikePcmContainer(file)) {
        throw CommandError(name + ": not a readable sound file (not a WAVE, AIFF, AU, CAF, Wave64 or FLAC file)");
    }
    MemorySoundIo io(file);
    SF_INFO info{};
    SoundFile sound(io.Open(SFM_READ, &info));
    if (!sound) {
        throw CommandError(name + ": not a readable sound file (" + sf_strerror(nullptr) + ")");
    }

    Audio audio;
    audio.format.bitsPerSample = BitsOfIntegerSubtype(info.format, name);
    if (info.channels < 1 || info.channels > kMaxChannels) {
        throw CommandError(name + ": unsupported channel count " + std::to_string(info.channels) + " (1 to " +
                           std::to_string(kMaxChannels) + " expected)");
    }
    audio.format.channels = static_cast<std::uint16_t>(info.channels);
    audio.format.sampleRate = static_cast<std::uint32_t>(info.samplerate);
    audio.format.channelMask = ReadWaveChannelMask(file);
    RequireSupportedFormat(audio.format, name);

    const std::size_t channels = audio.format.channels;
    const std::size_t bytesPerSample = audio.format.BytesPerSample();
    std::vector<int> staged(kFramesPerTransfer * channels);
    for (;;) {
        const sf_count_t frames = sf_readf_int(sound.get(), staged.data(), kFramesPerTransfer);
        if (frames <= 0) {
            break;
        }
        const std::size_t samples = static_cast<std::size_t>(frames) * channels;
        const std::size_t start = audio.pcm.size();
        audio.pcm.resize(start + samples * bytesPerSample);
        for (std::size_t i = 0; i < samples; ++i) {
            WritePcmSample(&audio.pcm[start + i * bytesPerSample], audio.format.bitsPerSample, staged[i]);
        }
    }
    if (sf_error(sound.get()) != SF_ERR_NO_ERROR) {
        throw CommandError(name + ": cannot read its samples (" + sf_strerror(sound.get()) + ")");
    }
    return audio;
}

std::vector<std::uint8_t> EncodeWave(const Audio& audio)
{
    const AudioFormat& format = audio.format;
    RequireSupportedFormat(format, "output");
    SF_INFO info{};
    info.samplerate = static_cast<int>(format.sampleRate);
    info.channels = format.channels;
    info.format = (format.channelMask ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) | WaveSubtype(format.bitsPerSample);
    if (format.sampleRate > 0x7FFFFFFFu || !sf_format_check(&info)) {
        throw CommandError("a WAVE file cannot hold " + DescribeFormat(format));
    }
    if (audio.pcm.size() > kMaxWaveDataBytes) {
        throw CommandError("a WAVE file cannot hold " + std::to_string(audio.pcm.size()) +
                           " bytes of audio (at most 4 GiB)");
    }

    std::vector<std::uint8_t> file;
    MemorySoundIo io(file);
    {
        SoundFile sound(io.Open(SFM_WRITE, &info));
        if (!sound) {
            throw CommandError("cannot encode a WAVE file (" + std::string(sf_strerror(nullptr)) + ")");
        }
        const std::size_t channels = format.channels;
        const std::size_t bytesPerSample = format.BytesPerSample();
        const std::size_t frames = audio.Frames();
        std::vector<int> staged(kFramesPerTransfer * channels);
        for (std::size_t first = 0; first < frames; first += kFramesPerTransfer) {
            const std::size_t count = std::min(kFramesPerTransfer, frames - first);
            const std::uint8_t* pcm = &audio.pcm[first * channels * bytesPerSample];
            for (std::size_t i = 0; i < count * channels; ++i) {
                staged[i] = ReadPcmSample(pcm + i * bytesPerSample, format.bitsPerSample);
            }
            if (sf_writef_int(sound.get(), staged.data(), static_cast<sf_count_t>(count)) !=
                static_cast<sf_count_t>(count)) {
                throw CommandError("cannot encode a WAVE file (" + std::string(sf_strerror(sound.get())) + ")");
            }
        }
    }  // closing the file writes its final header sizes
    if (format.channelMask && !WriteWaveChannelMask(file, *format.channelMask)) {
        throw CommandError("cannot store the channel mask in the WAVE header");
    }
    return file;
}

}  // namespace vastum
