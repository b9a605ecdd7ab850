// `vastum process`: read audio (a file, standard input or the built-in demo
// programme), play it through one stream of an engine, write the result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "audio/raw_pcm.h"
#include "engines/engine.h"
#include "engines/engine_table.h"
#include "engines/stream_playback.h"

namespace vastum {

// The seed without --seed, so that two runs of the same command give the
// same output.
inline constexpr std::uint32_t kDefaultSeed = 1;

// The stream's channel mask when neither the input nor --mask names one.
inline constexpr std::uint32_t kStereoChannelMask = 0x3;  // SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT

struct ProcessRequest {
    const Engine* engine = &DefaultEngine();
    std::vector<ParameterSetting> settings;
    std::optional<std::uint32_t> channelMask;  // --mask
    std::uint32_t seed = kDefaultSeed;
    std::optional<AudioFormat> raw;  // --raw: input and output are headerless PCM
    std::size_t bufferFrames = kDefaultBufferFrames;
    std::optional<std::string> settingsPath;  // --settings: a registry export the engine loads first
    std::optional<std::string> inputPath;  // none: the demo programme; "-": standard input
    std::string outputPath;  // "-": standard output
};

// Throws UsageError or CommandError. The output is written only when every
// step before it succeeded, and then completely.
void RunProcess(const ProcessRequest& request);

}  // namespace vastum
