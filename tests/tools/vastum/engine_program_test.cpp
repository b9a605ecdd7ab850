// The engines "vyohd" and "kova" through the built program: what it writes
// is what the engine's own stream makes of the same buffers, a parameter set
// on the command line does what the engine's arithmetic says, and --help
// shows each parameter's range and default.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <kova_interface.h>
#include <vyohd_interface.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "audio/sound_file.h"
#include "audio_fixtures.h"
#include "demo/demo_programme.h"
#include "sim/status.h"
#include "temporary_folder.h"
#include "vastum_program.h"

namespace {

using vastum::Audio;
using Bytes = std::vector<std::uint8_t>;

// Runs `render` in a child process and returns what it made. This process
// never runs an engine stream itself, so the child starts with the engines'
// process-wide dither state as fresh as a newly started `vastum` has it.
Bytes InFreshProcess(const std::function<Bytes()>& render)
{
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        const Bytes bytes = render();
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = write(pipeEnds[1], bytes.data() + written, bytes.size() - written);
            if (n <= 0) {
                _exit(1);
            }
            written += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    Bytes bytes;
    std::uint8_t chunk[65536];
    for (ssize_t n; (n = read(pipeEnds[0], chunk, sizeof chunk)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the reference render failed";
    return bytes;
}

// Hands `stream` the audio buffer by buffer, the floating-point state saved
// around each call, as the filter driver does.
template <typename Stream>
void PlayBuffers(Stream& stream, Audio& audio, std::size_t bufferFrames)
{
    const std::size_t frameBytes = audio.format.BytesPerFrame();
    for (std::size_t first = 0; first < audio.Frames(); first += bufferFrames) {
        const std::size_t count = std::min(bufferFrames, audio.Frames() - first);
        KFLOATING_SAVE save;
        EXPECT_EQ(KeSaveFloatingPointState(&save), STATUS_SUCCESS);
        stream.ProcessInPlace(audio.pcm.data() + first * frameBytes, static_cast<ULONG>(count * frameBytes));
        KeRestoreFloatingPointState(&save);
    }
}

// The reference renders: the libraries' exports and interfaces, called the
// way the filter driver calls them, with no code of the command line.
struct VyohdRender {
    std::function<void(VYOHDManager&)> configure = [](VYOHDManager&) {};
    std::uint32_t seed = 1;
};

Bytes RenderWithVyohd(Audio audio, std::size_t bufferFrames, const VyohdRender& render)
{
    return InFreshProcess([&] {
        sim::SeedRandom(render.seed);
        KFLOATING_SAVE save;
        KeSaveFloatingPointState(&save);
        VYOHDManager* manager = CreateVYOHDManager2();
        render.configure(*manager);
        VYOHDStream* stream = manager->CreateStream();
        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = audio.format.channels;
        wave.nSamplesPerSec = audio.format.sampleRate;
        wave.wBitsPerSample = audio.format.bitsPerSample;
        EXPECT_EQ(stream->SetFormat(&wave), STATUS_SUCCESS);
        KeRestoreFloatingPointState(&save);
        PlayBuffers(*stream, audio, bufferFrames);
        stream->Release();
        manager->Release();
        return audio.pcm;
    });
}

Bytes RenderWithKova(Audio audio, std::uint32_t mask, std::size_t bufferFrames,
                     const std::function<void(KOVAManager&)>& configure)
{
    return InFreshProcess([&] {
        KFLOATING_SAVE save;
        KeSaveFloatingPointState(&save);
        KOVAManager* manager = CreateKOVAManager();
        manager->SetInputGain(1.0f);
        manager->SetOutputGain(1.0f);
        configure(*manager);
        KOVAStream* stream = manager->CreateStream();
        EXPECT_EQ(stream->SetFormat(audio.format.sampleRate, audio.format.bitsPerSample, audio.format.channels, mask),
                  STATUS_SUCCESS);
        KeRestoreFloatingPointState(&save);
        PlayBuffers(*stream, audio, bufferFrames);
        stream->Release();
        manager->Release();
        return audio.pcm;
    });
}

using EngineProgram = VastumProgram;

TEST_F(EngineProgram, each_engine_renders_a_file_as_its_own_stream_does)
{
    struct RenderCase {
        const char* what;
        std::optional<Audio> input;  // none: the demo programme
        std::vector<std::string> options;
        std::function<Bytes(const Audio&)> reference;
    };
    const RenderCase cases[] = {
        {"vyohd, the demo programme, defaults", std::nullopt, {"--engine", "vyohd"},
         [](const Audio& in) { return RenderWithVyohd(in, 480, {}); }},
        {"vyohd, 24-bit 5.1 in buffers of 7 frames",
         TestAudio(44100, 24, 6, 3001, 0x3F),
         {"--engine", "vyohd", "--set", "QELWidth=0.3", "--set", "SubviaSize=3", "--set", "LimiterEnable=0",
          "--buffer-frames", "7", "--seed", "9"},
         [](const Audio& in) {
             return RenderWithVyohd(in, 7, {[](VYOHDManager& m) {
                                               m.SetQELWidth(0.3f);
                                               m.SetSubviaSize(3);
                                               m.SetLimiterEnable(0);
                                           },
                                           9});
         }},
        {"vyohd, 8-bit stereo, matrix path for headphones", TestAudio(22050, 8, 2, 2000),
         {"--engine", "vyohd", "--set", "QELMode=3", "--set", "QELSize=1", "--set", "NitidaLevel=4",
          "--buffer-frames", "1000"},
         [](const Audio& in) {
             return RenderWithVyohd(in, 1000, {[](VYOHDManager& m) {
                                                  m.SetQELMode(3);
                                                  m.SetQELSize(1);
                                                  m.SetNitidaLevel(4.0f);
                                              }});
         }},
        {"kova, the demo programme, defaults", std::nullopt, {"--engine", "kova"},
         [](const Audio& in) { return RenderWithKova(in, 0x3, 480, [](KOVAManager&) {}); }},
        {"kova, 24-bit 5.1 with every output", TestAudio(48000, 24, 6, 3001, 0x3F),
         {"--engine", "kova", "--set", "KVHDMode=6", "--set", "OutputMode=7", "--set", "CenterGain=0.5",
          "--buffer-frames", "100"},
         [](const Audio& in) {
             return RenderWithKova(in, 0x3F, 100, [](KOVAManager& m) {
                 m.SetKVHDMode(6);
                 m.SetOutputMode(7);
                 m.SetSpeakerGroupGain(KOVAGroupCenter, 0.5f);
             });
         }},
        {"kova, 32-bit quad named by --mask, headphones", TestAudio(96000, 32, 4, 2000, 0x33),
         {"--engine", "kova", "--mask", "0x33", "--set", "Headphone=1", "--set", "KVHDMode=3"},
         [](const Audio& in) {
             return RenderWithKova(in, 0x33, 480, [](KOVAManager& m) {
                 m.SetHeadphone(1);
                 m.SetKVHDMode(3);
             });
         }},
    };
    for (const RenderCase& c : cases) {
        SCOPED_TRACE(c.what);
        Audio input = c.input ? *c.input : vastum::DemoProgramme();
        std::vector<std::string> args = {"process"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        if (c.input) {
            // The quad input goes without its mask, so --mask names it.
            const bool maskFromOption = std::find(args.begin(), args.end(), "--mask") != args.end();
            Audio file = input;
            if (maskFromOption) {
                file.format.channelMask.reset();
            }
            WriteFileBytes(folder / "in.wav", HandMadeWave(file));
            args.push_back("in.wav");
        }
        args.push_back("out.wav");

        const ProgramRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        const Audio output = vastum::DecodeSoundFile(ReadFileBytes(folder / "out.wav"), "out.wav");
        EXPECT_EQ(output.format.sampleRate, input.format.sampleRate);
        EXPECT_EQ(output.format.channels, input.format.channels);
        const Bytes expected = c.reference(input);
        ASSERT_EQ(output.pcm.size(), expected.size());
        EXPECT_TRUE(output.pcm == expected) << "the output differs from the engine's own stream";
        EXPECT_NE(output.pcm, input.pcm) << "the engine processed the audio";
    }
}

// The engines' own arithmetic, on a few 16-bit frames given as raw PCM.
TEST_F(EngineProgram, a_parameter_set_on_the_command_line_does_what_the_engine_computes)
{
    struct ArithmeticCase {
        const char* what;
        std::vector<std::string> options;
        std::uint16_t channels;
        std::vector<std::int16_t> in;
        std::vector<std::int16_t> out;
    };
    const ArithmeticCase cases[] = {
        // Bypass: x / 32768 x BypassGain x 32767, truncated (-1000 -> -499.98).
        {"vyohd bypassed, stereo path", {"--engine", "vyohd", "--set", "Enable=0", "--set", "QELMode=2"}, 2,
         {1000, -1000, 3000, 0}, {499, -499, 1499, 0}},
        {"vyohd bypassed at unity", {"--engine", "vyohd", "--set", "Enable=0", "--set", "BypassGain=1"}, 2,
         {-32768, 32767}, {-32767, 32766}},
        // QELMode 0 folds both channels into (L + R) x BypassGain.
        {"vyohd bypassed, phase-network mode", {"--engine", "vyohd", "--set", "Enable=0", "--set", "QELMode=0"}, 2,
         {1000, 3000}, {1999, 1999}},
        // KOVA's bypass downmix of stereo is the input itself, 32767/32768
        // of it; OutputGain is not applied while bypassed, InputGain is.
        {"kova bypassed", {"--engine", "kova", "--set", "Enable=0"}, 2, {1000, -1000}, {999, -999}},
        {"kova bypassed ignores OutputGain", {"--engine", "kova", "--set", "Enable=0", "--set", "OutputGain=0.5"}, 2,
         {1000, -1000}, {999, -999}},
        {"kova bypassed applies InputGain", {"--engine", "kova", "--set", "Enable=0", "--set", "InputGain=0.5"}, 2,
         {1000, -1000}, {499, -499}},
        // 5.1 folded into the front pair: L + Ls + 0.71 C + LFE, and the
        // outputs OutputMode 0 does not have are silent.
        {"kova bypassed folds 5.1 into L and R",
         {"--engine", "kova", "--mask", "0x3F", "--set", "Enable=0", "--set", "KVHDMode=6"}, 6,
         {1000, -1000, 2000, 100, 300, -300}, {2819, 219, 0, 0, 0, 0}},
    };
    for (const ArithmeticCase& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes(c.in.size() * 2);
        std::memcpy(bytes.data(), c.in.data(), bytes.size());
        WriteFileBytes(folder / "in.raw", bytes);
        std::vector<std::string> args = {"process", "--raw", "48000,16," + std::to_string(c.channels)};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {"in.raw", "out.raw"});

        const ProgramRun run = Run(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Bytes out = ReadFileBytes(folder / "out.raw");
        std::vector<std::int16_t> samples(out.size() / 2);
        std::memcpy(samples.data(), out.data(), samples.size() * 2);
        EXPECT_EQ(samples, c.out);
    }
}

// "  NAME  RANGE  default X  description": the columns in order, each
// followed by padding, then a description.
bool IsHelpRow(std::string_view line, const std::vector<std::string>& columns)
{
    if (!line.starts_with("  ")) {
        return false;
    }
    line.remove_prefix(2);
    for (const std::string& column : columns) {
        if (!line.starts_with(column) || line.size() <= column.size() || line[column.size()] != ' ') {
            return false;
        }
        line.remove_prefix(column.size());
        line.remove_prefix(line.find_first_not_of(' ') == std::string_view::npos ? line.size()
                                                                                   : line.find_first_not_of(' '));
    }
    return !line.empty();
}

// The ranges and defaults of the engines' parameter tables, as users read
// them: every parameter, and no other.
TEST_F(EngineProgram, help_lists_every_parameter_with_its_range_and_default)
{
    struct Row {
        const char* name;
        const char* range;
        const char* defaultValue;
    };
    struct HelpCase {
        const char* engine;
        std::vector<Row> rows;
    };
    const HelpCase cases[] = {
        {"vyohd",
         {{"Enable", "0 or 1", "1"}, {"QELMode", "0..3", "2"}, {"QELSize", "0 or 1", "0"},
          {"QELWidth", "0..1", "0.8"}, {"CenterLevel", "0..1", "0.5"}, {"SubviaLevel", "0..1", "0.6"},
          {"SubviaSize", "0..7", "0"}, {"ELEVOLevel", "0..1", "0.4"}, {"NitidaLevel", "0..4", "1.6"},
          {"InputGain", "0..2", "1"}, {"OutputGain", "0..2", "1"}, {"LimiterEnable", "0 or 1", "1"},
          {"LimiterLevel", "0..1", "0.75"}, {"BypassGain", "0..2", "0.5"}}},
        {"kova",
         {{"Enable", "0 or 1", "1"}, {"Headphone", "0 or 1", "0"}, {"KVHDMode", "0..11", "8"},
          {"OutputMode", "0..7", "0"}, {"ElevoEnable", "0 or 1", "1"}, {"ElevoLevel", "0..1", "0.5"},
          {"SubviaEnable", "0 or 1", "1"}, {"SubviaLevel", "0..1", "0.6"}, {"SubviaSize", "0..7", "1"},
          {"SubviaSubEnable", "0 or 1", "1"}, {"SubviaSubLevel", "0..1", "0.6"}, {"SubviaSubSize", "0..7", "0"},
          {"InputGain", "0..2", "1"}, {"OutputGain", "0..2", "1"}, {"FrontGain", "any", "1"},
          {"SurroundGain", "any", "1"}, {"CenterGain", "any", "1"}, {"SubwooferGain", "any", "1"},
          {"FrontPresence", "0..4", "1"}, {"CenterPresence", "0..4", "1"}, {"CrossoverSelect", "0..3", "0"}}},
    };
    for (const HelpCase& c : cases) {
        SCOPED_TRACE(c.engine);
        const ProgramRun run = Run({"process", "--engine", c.engine, "--help"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string list = run.out.substr(run.out.find("Parameters of engine " + std::string(c.engine)));
        std::istringstream lines(list);
        std::string line;
        std::getline(lines, line);  // the heading
        std::size_t row = 0;
        while (std::getline(lines, line) && !line.empty()) {
            ASSERT_LT(row, c.rows.size()) << "an extra parameter: " << line;
            const Row& r = c.rows[row++];
            EXPECT_TRUE(IsHelpRow(line, {r.name, r.range, std::string("default ") + r.defaultValue})) << line;
        }
        EXPECT_EQ(row, c.rows.size()) << "parameters missing from the list";
    }
}

}  // namespace
