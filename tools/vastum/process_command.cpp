#include "process_command.h"

#include "audio/sound_file.h"
#include "command_error.h"
#include "demo/demo_programme.h"
#include "files/output_bytes.h"
#include "files/input_bytes.h"
#include "settings/settings_key.h"
#include "sim/status.h"

namespace vastum {

namespace {

Audio ReadDemoProgramme(const std::optional<AudioFormat>& raw)
{
    Audio demo = DemoProgramme();
    if (raw && *raw != demo.format) {
        throw UsageError("--raw " + std::to_string(raw->sampleRate) + "," + std::to_string(raw->bitsPerSample) + "," +
                         std::to_string(raw->channels) + " does not match the demo programme (" +
                         DescribeFormat(demo.format) + "); give an IN to read raw input");
    }
    return demo;
}

Audio ReadInput(const ProcessRequest& request)
{
    if (!request.inputPath) {
        return ReadDemoProgramme(request.raw);
    }
    const std::string name = InputDisplayName(*request.inputPath);
    std::vector<std::uint8_t> bytes = ReadInputBytes(*request.inputPath);
    if (request.raw) {
        return DecodeRawPcm(std::move(bytes), *request.raw, name);
    }
    return DecodeSoundFile(bytes, name);
}

// --mask names the speaker positions of input that names none; it never
// silently replaces the positions a file states.
void ApplyChannelMaskOption(AudioFormat& format, const ProcessRequest& request)
{
    if (!request.channelMask) {
        return;
    }
    if (format.channelMask && *format.channelMask != *request.channelMask) {
        throw UsageError("--mask " + DescribeChannelMask(*request.channelMask) +
                         " conflicts with the input's own channel mask " +
                         DescribeChannelMask(*format.channelMask));
    }
    format.channelMask = request.channelMask;
}

std::uint32_t StreamChannelMask(const AudioFormat& format)
{
    if (format.channelMask) {
        return *format.channelMask;
    }
    return format.channels == 2 ? kStereoChannelMask : 0;
}

}  // namespace

void RunProcess(const ProcessRequest& request)
{
    Audio audio = ReadInput(request);
    ApplyChannelMaskOption(audio.format, request);

    std::optional<SettingsKey> saved;
    if (request.settingsPath) {
        saved.emplace(SettingsKey::FromFile(*request.settingsPath));
    }

    sim::SeedRandom(request.seed);
    {
        const auto stream = request.engine->createProcessor(audio.format, StreamChannelMask(audio.format),
                                                            request.settings, saved ? &*saved : nullptr);
        PlayThroughStream(*stream, audio, request.bufferFrames);
    }

    const std::vector<std::uint8_t> output = request.raw ? std::move(audio.pcm) : EncodeWave(audio);
    WriteOutputBytes(request.outputPath, output);
}

}  // namespace vastum
