#include "process_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>

#include "audio/sound_file.h"
#include "audio_fixtures.h"
#include "command_error.h"
#include "demo/demo_programme.h"
#include "engines/engine_table.h"
#include "temporary_folder.h"

namespace {

using vastum::Audio;
using vastum::CommandError;
using vastum::ProcessRequest;
using vastum::RunProcess;
using vastum::UsageError;

// An engine that shows what the command handed it: the format, mask and
// settings it was opened with, and rand() values as its output, so the seed
// shows in the audio. It fails on request.
struct ProbeRecord {
    vastum::AudioFormat format;
    std::uint32_t channelMask = 0;
    std::vector<std::pair<std::string, double>> settings;
    bool failToOpen = false;
    bool failWhileProcessing = false;
};
ProbeRecord probe;

class ProbeStream : public vastum::StreamProcessor {
public:
    void ProcessInPlace(std::span<std::uint8_t> frames) override
    {
        if (probe.failWhileProcessing) {
            throw CommandError("probe: refused a buffer");
        }
        for (std::uint8_t& byte : frames) {
            byte = static_cast<std::uint8_t>(std::rand());
        }
    }
};

std::unique_ptr<vastum::StreamProcessor> OpenProbe(const vastum::AudioFormat& format, std::uint32_t channelMask,
                                                   std::span<const vastum::ParameterSetting> settings,
                                                   const vastum::SettingsKey*)
{
    if (probe.failToOpen) {
        throw CommandError("probe: refused the format");
    }
    probe.format = format;
    probe.channelMask = channelMask;
    probe.settings.clear();
    for (const vastum::ParameterSetting& setting : settings) {
        probe.settings.emplace_back(setting.parameter->name, setting.value);
    }
    return std::make_unique<ProbeStream>();
}

constexpr vastum::EngineParameter kProbeParameters[] = {
    {"Level", vastum::ParameterKind::Real, 0, 2, 1, "a level"},
};
const vastum::Engine kProbeEngine = {"probe", "records what it is given", kProbeParameters, OpenProbe, nullptr,
                                     nullptr};

class ProcessCommand : public ::testing::Test {
protected:
    void SetUp() override { probe = {}; }

    ProcessRequest Request(std::optional<std::string> input, const std::string& output,
                           const vastum::Engine* engine = vastum::FindEngine("none"))
    {
        ProcessRequest request;
        request.engine = engine;
        request.inputPath = input ? std::optional(folder / *input) : std::nullopt;
        request.outputPath = folder / output;
        return request;
    }

    TemporaryFolder folder;
};

// Every depth through raw PCM and through WAVE: the engine "none" gives back
// exactly what came in.
TEST_F(ProcessCommand, audio_passes_through_unchanged_at_every_depth_raw_and_wave)
{
    struct RoundTripCase {
        std::uint16_t bits;
        std::uint16_t channels;
        std::optional<std::uint32_t> mask;
    };
    const RoundTripCase cases[] = {
        {8, 1, {}}, {8, 2, {}}, {16, 2, {}}, {16, 8, {}}, {24, 1, {}}, {24, 6, 0x3F}, {32, 2, {}}, {32, 8, 0x63F},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + "-bit, " + std::to_string(c.channels) + " channels");
        const Audio original = TestAudio(44100, c.bits, c.channels, 1001, c.mask);

        WriteFileBytes(folder / "in.raw", original.pcm);
        ProcessRequest raw = Request("in.raw", "out.raw");
        raw.raw = vastum::AudioFormat{44100, c.bits, c.channels, {}};
        RunProcess(raw);
        EXPECT_EQ(ReadFileBytes(folder / "out.raw"), original.pcm);

        WriteFileBytes(folder / "in.wav", HandMadeWave(original));
        RunProcess(Request("in.wav", "out.wav"));
        const Audio result = vastum::DecodeSoundFile(ReadFileBytes(folder / "out.wav"), "out.wav");
        EXPECT_EQ(result.format, original.format);
        EXPECT_EQ(result.pcm, original.pcm);
    }
}

TEST_F(ProcessCommand, without_input_the_demo_programme_is_rendered)
{
    RunProcess(Request(std::nullopt, "demo.wav"));
    const Audio rendered = vastum::DecodeSoundFile(ReadFileBytes(folder / "demo.wav"), "demo.wav");
    const Audio demo = vastum::DemoProgramme();
    EXPECT_EQ(rendered.format, demo.format);
    EXPECT_EQ(rendered.pcm, demo.pcm);

    ProcessRequest raw = Request(std::nullopt, "demo.raw");
    raw.raw = vastum::AudioFormat{48000, 16, 2, {}};
    RunProcess(raw);
    EXPECT_EQ(ReadFileBytes(folder / "demo.raw"), demo.pcm);
}

TEST_F(ProcessCommand, engine_gets_the_format_mask_and_settings)
{
    struct MaskCase {
        std::uint16_t channels;
        std::optional<std::uint32_t> fileMask;
        std::optional<std::uint32_t> optionMask;
        std::uint32_t streamMask;
        std::optional<std::uint32_t> outputMask;
    };
    const MaskCase cases[] = {
        {2, {}, {}, 0x3, {}},         // stereo without a mask: front left and right
        {1, {}, {}, 0x0, {}},         // nothing names the positions
        {6, {}, 0x3F, 0x3F, 0x3F},    // --mask supplies one, and the output keeps it
        {6, 0x60F, {}, 0x60F, 0x60F}, // the file's own
        {6, 0x60F, 0x60F, 0x60F, 0x60F},
    };
    for (const MaskCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " channels");
        WriteFileBytes(folder / "in.wav", HandMadeWave(TestAudio(32000, 16, c.channels, 10, c.fileMask)));
        ProcessRequest request = Request("in.wav", "out.wav", &kProbeEngine);
        request.channelMask = c.optionMask;
        request.settings = {{&kProbeParameters[0], 0.5, "Level=0.5"}, {&kProbeParameters[0], 2.0, "Level=2"}};
        RunProcess(request);

        EXPECT_EQ(probe.format.sampleRate, 32000u);
        EXPECT_EQ(probe.format.channels, c.channels);
        EXPECT_EQ(probe.channelMask, c.streamMask);
        EXPECT_EQ(probe.settings, (std::vector<std::pair<std::string, double>>{{"Level", 0.5}, {"Level", 2.0}}));
        EXPECT_EQ(vastum::DecodeSoundFile(ReadFileBytes(folder / "out.wav"), "out").format.channelMask, c.outputMask);
    }
}

TEST_F(ProcessCommand, the_seed_makes_the_engines_random_draws_repeatable)
{
    WriteFileBytes(folder / "in.raw", TestAudio(48000, 16, 2, 1000).pcm);
    auto render = [&](std::uint32_t seed) {
        ProcessRequest request = Request("in.raw", "out.raw", &kProbeEngine);
        request.raw = vastum::AudioFormat{48000, 16, 2, {}};
        request.seed = seed;
        RunProcess(request);
        return ReadFileBytes(folder / "out.raw");
    };
    EXPECT_EQ(render(7), render(7));
    EXPECT_NE(render(7), render(8));
    EXPECT_EQ(render(vastum::kDefaultSeed), render(vastum::kDefaultSeed));
}

// A failure at any step after the options were read writes nothing: an
// existing output keeps its content and no temporary file is left.
TEST_F(ProcessCommand, a_failed_run_writes_nothing)
{
    const std::vector<std::uint8_t> precious = {'k', 'e', 'e', 'p'};
    WriteFileBytes(folder / "in.wav", HandMadeWave(TestAudio(48000, 16, 2, 100, 0x3)));
    WriteFileBytes(folder / "odd.raw", std::vector<std::uint8_t>(7));

    struct FailureCase {
        const char* what;
        std::function<void(ProcessRequest&)> setUp;
        const char* message;
    };
    const FailureCase cases[] = {
        {"missing input", [](ProcessRequest& r) { r.inputPath = "/nonexistent/in.wav"; },
         "cannot read '/nonexistent/in.wav': No such file or directory"},
        {"partial raw frame",
         [&](ProcessRequest& r) {
             r.inputPath = folder / "odd.raw";
             r.raw = vastum::AudioFormat{48000, 16, 2, {}};
         },
         "7 bytes are not whole frames of 4 bytes"},
        {"mask conflict", [](ProcessRequest& r) { r.channelMask = 0x33; },
         "--mask 0x33 conflicts with the input's own channel mask 0x3"},
        {"raw format differs from the demo",
         [](ProcessRequest& r) {
             r.inputPath.reset();
             r.raw = vastum::AudioFormat{44100, 16, 2, {}};
         },
         "--raw 44100,16,2 does not match the demo programme (48000 Hz, 16-bit, 2 channels)"},
        {"engine refuses the format",
         [](ProcessRequest& r) {
             r.engine = &kProbeEngine;
             probe.failToOpen = true;
         },
         "probe: refused the format"},
        {"engine fails while processing",
         [](ProcessRequest& r) {
             r.engine = &kProbeEngine;
             probe.failWhileProcessing = true;
         },
         "probe: refused a buffer"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        probe = {};
        WriteFileBytes(folder / "out.wav", precious);
        ProcessRequest request = Request("in.wav", "out.wav");
        c.setUp(request);
        try {
            RunProcess(request);
            ADD_FAILURE() << "the run succeeded";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
        EXPECT_EQ(ReadFileBytes(folder / "out.wav"), precious);
        EXPECT_EQ(folder.Entries(), (std::set<std::string>{"in.wav", "odd.raw", "out.wav"}));
    }
}

}  // namespace
