// `vastum demo`: the demo programme (or a file) played through the card
// under VYOFilter, with the engine chosen through ProcMode as a client
// chooses it; what was played and what the card recorded are written out.

#include "machine/demo_command.h"
#include "machine/machine_command.h"

#include <gtest/gtest.h>

#include <kova_interface.h>
#include <vyohd_interface.h>

#include <sstream>
#include <string>

#include "audio/sound_file.h"
#include "audio_fixtures.h"
#include "command_error.h"
#include "command_line.h"
#include "demo/demo_programme.h"
#include "sim/status.h"
#include "temporary_folder.h"

namespace {

using vastum::Audio;
using vastum::DemoEngine;

// The engine's own processing of the audio in the demo's 10 ms buffers, as
// the filter's stream processor makes it (formatted for the audio, the
// VYO HD dither seeded as the demo seeds it).
std::vector<std::uint8_t> EngineProcessed(DemoEngine engine, const Audio& audio)
{
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = audio.format.channels;
    wave.nSamplesPerSec = audio.format.sampleRate;
    wave.wBitsPerSample = audio.format.bitsPerSample;
    std::vector<std::uint8_t> pcm = audio.pcm;
    const std::size_t bufferBytes = audio.format.sampleRate / 100 * audio.format.BytesPerFrame();
    KFLOATING_SAVE save;
    KeSaveFloatingPointState(&save);
    if (engine == DemoEngine::Vyohd) {
        VYOHDManager* manager = CreateVYOHDManager2();
        sim::SeedRandom(vastum::kDemoDitherSeed);
        VYOHDStream* stream = manager->CreateStream();
        stream->SetFormat(&wave);
        for (std::size_t offset = 0; offset < pcm.size(); offset += bufferBytes) {
            stream->ProcessInPlace(&pcm[offset], static_cast<ULONG>(std::min(bufferBytes, pcm.size() - offset)));
        }
        stream->Release();
        manager->Release();
    } else if (engine == DemoEngine::Kova) {
        KOVAManager* manager = CreateKOVAManager();
        KOVAStream* stream = manager->CreateStream();
        stream->SetFormat(wave.nSamplesPerSec, wave.wBitsPerSample, wave.nChannels, 3);
        for (std::size_t offset = 0; offset < pcm.size(); offset += bufferBytes) {
            stream->ProcessInPlace(&pcm[offset], static_cast<ULONG>(std::min(bufferBytes, pcm.size() - offset)));
        }
        stream->Release();
        manager->Release();
    }
    KeRestoreFloatingPointState(&save);
    return pcm;
}

class DemoCommand : public ::testing::Test {
protected:
    std::string Demo(DemoEngine engine, const std::optional<std::string>& input = std::nullopt)
    {
        vastum::DemoRequest request;
        request.engine = engine;
        request.stateFolder = folder / "state";
        request.outFolder = folder / "out";
        request.inputPath = input;
        std::ostringstream out;
        err.str("");
        vastum::RunDemo(request, out, err);
        return out.str();
    }

    Audio Read(const std::string& name) { return vastum::DecodeSoundFile(ReadFileBytes(folder / name), name); }

    TemporaryFolder folder;
    std::ostringstream err;
};

TEST_F(DemoCommand, the_chosen_engine_processes_what_the_card_plays)
{
    const Audio audio = TestAudio(44100, 16, 2, 44100 / 5);
    WriteFileBytes(folder / "in.wav", vastum::EncodeWave(audio));
    const struct {
        DemoEngine engine;
        const char* summary;
    } cases[] = {
        {DemoEngine::Vyohd, "engine:   VYO HD (ProcMode 0)\nsettings: Enable 1, QELMode 2,"},
        {DemoEngine::Kova, "engine:   KOVA (ProcMode 1)\nsettings: Enable 1, Headphone 0,"},
        {DemoEngine::Off, "engine:   none, the filter passes the audio unchanged (ProcMode 2)\nplayed:"},
    };
    for (const auto& c : cases) {
        const std::string said = Demo(c.engine, folder / "in.wav");
        EXPECT_EQ(said.rfind(c.summary, 0), 0u) << said;
        EXPECT_NE(said.find("in:       peak "), std::string::npos) << said;
        EXPECT_EQ(Read("out/input.wav").pcm, audio.pcm);
        const Audio output = Read("out/output.wav");
        EXPECT_EQ(output.format, audio.format);
        EXPECT_EQ(output.pcm, EngineProcessed(c.engine, audio)) << said;
    }
    EXPECT_EQ(folder.Entries(), (std::set<std::string>{"in.wav", "out", "state"})) << "one machine, reused";
}

TEST_F(DemoCommand, without_a_file_the_demo_programme_is_played_and_the_machine_lives_beside_the_output)
{
    vastum::DemoRequest request;
    request.outFolder = folder / "out";
    std::ostringstream out;
    vastum::RunDemo(request, out, err);
    const Audio programme = vastum::DemoProgramme();
    EXPECT_EQ(Read("out/input.wav").pcm, programme.pcm);
    EXPECT_EQ(Read("out/output.wav").pcm, EngineProcessed(DemoEngine::Vyohd, programme));
    EXPECT_NE(out.str().find("played:   the demo programme (48000 Hz, 16-bit, 2 channels, 10.00 s)"),
              std::string::npos)
        << out.str();
    const auto entries = std::filesystem::directory_iterator(folder / "out");
    std::set<std::string> names;
    for (const auto& entry : entries) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"input.wav", "machine", "output.wav"}));
}

TEST_F(DemoCommand, a_card_installed_without_the_filter_is_given_it)
{
    vastum::MachineRequest install;
    install.stateFolder = folder / "state";
    install.action = vastum::MachineAction::InstallCard;
    std::ostringstream out;
    vastum::RunMachine(install, out, err);
    const Audio audio = TestAudio(48000, 24, 2, 4800);
    WriteFileBytes(folder / "in.wav", vastum::EncodeWave(audio));
    Demo(DemoEngine::Vyohd, folder / "in.wav");
    EXPECT_EQ(Read("out/output.wav").pcm, EngineProcessed(DemoEngine::Vyohd, audio));
}

TEST_F(DemoCommand, failures_are_one_line_and_write_nothing)
{
    WriteFileBytes(folder / "slow.wav", vastum::EncodeWave(TestAudio(4000, 16, 2, 400)));
    try {
        Demo(DemoEngine::Vyohd, folder / "slow.wav");
        FAIL() << "the card plays nothing below 8 kHz";
    } catch (const vastum::CommandError& error) {
        EXPECT_NE(std::string(error.what()).find("4000 Hz"), std::string::npos) << error.what();
    }
    EXPECT_THROW(Demo(DemoEngine::Vyohd, folder / "missing.wav"), vastum::CommandError);
    EXPECT_FALSE(std::filesystem::exists(folder / "out/input.wav"));
    EXPECT_FALSE(std::filesystem::exists(folder / "out/output.wav"));

    std::ostringstream out;
    std::ostringstream errors;
    const char* argv[] = {"vastum", "demo", "--engine", "loud"};
    EXPECT_EQ(vastum::RunCommandLine(4, argv, out, errors), vastum::kExitUsage);
    EXPECT_EQ(errors.str(), "vastum: unknown engine 'loud' (demo engines: vyohd, kova, off)\n");
}

}  // namespace
