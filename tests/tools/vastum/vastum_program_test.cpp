// The built program, run as a user runs it: exit codes, the one-line error
// messages, standard input and output, and that a failed run leaves the
// folder exactly as it was.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "audio/sound_file.h"
#include "audio_fixtures.h"
#include "demo/demo_programme.h"
#include "temporary_folder.h"
#include "vastum_program.h"

namespace {

TEST_F(VastumProgram, bad_input_gets_one_line_a_nonzero_exit_and_no_output)
{
    WriteFileBytes(folder / "float.wav", LibsndfileWave(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2));
    WriteFileBytes(folder / "twelve.wav", LibsndfileWave(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 12));
    WriteFileBytes(folder / "notes.txt", {'l', 'a', ' ', 'l', 'a'});
    // An MPEG frame header and nothing valid after it: libsndfile's guessing
    // would hand it to an MP3 decoder that prints warnings of its own.
    std::vector<std::uint8_t> damagedMp3 = {0xFF, 0xFB, 0x90, 0x64};
    damagedMp3.resize(2000, 0x00);
    WriteFileBytes(folder / "damaged.mp3", damagedMp3);
    WriteFileBytes(folder / "quad.wav", HandMadeWave(TestAudio(48000, 16, 4, 10, 0x33)));
    WriteFileBytes(folder / "mono.wav", HandMadeWave(TestAudio(48000, 16, 1, 10)));
    WriteFileBytes(folder / "wide.wav", HandMadeWave(TestAudio(48000, 16, 8, 10, 0x63F)));
    WriteFileBytes(folder / "odd.raw", std::vector<std::uint8_t>(5));
    std::filesystem::create_directory(folder / "folder");
    const std::set<std::string> fixtures = folder.Entries();

    struct ErrorCase {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const ErrorCase cases[] = {
        {{"process", "missing.wav", "out.wav"}, 1, "cannot read 'missing.wav': No such file or directory"},
        {{"process", "folder", "out.wav"}, 1, "cannot read 'folder': Is a directory"},
        {{"process", "float.wav", "out.wav"}, 1, "'float.wav': unsupported sample format: 32 bit float"},
        {{"process", "twelve.wav", "out.wav"}, 1, "'twelve.wav': unsupported channel count 12 (1 to 8 expected)"},
        {{"process", "notes.txt", "out.wav"}, 1, "'notes.txt': not a readable sound file"},
        {{"process", "damaged.mp3", "out.wav"}, 1, "'damaged.mp3': not a readable sound file"},
        {{"process", "--raw", "48000,16,2", "odd.raw", "out.wav"}, 1, "'odd.raw': 5 bytes are not whole frames"},
        {{"process", "--raw", "48000,12,2", "odd.raw", "out.wav"}, 2, "malformed --raw '48000,12,2'"},
        {{"process", "--raw", "48000;16;2", "odd.raw", "out.wav"}, 2, "malformed --raw '48000;16;2'"},
        {{"process", "--loud", "quad.wav", "out.wav"}, 2, "The following argument was not expected: --loud"},
        {{"process", "--engine", "nonesuch", "quad.wav", "out.wav"}, 2, "unknown engine 'nonesuch' (engines: none"},
        // --set takes one value, so out.wav stays OUT.
        {{"process", "--set", "Width=1", "out.wav"}, 2, "--set Width=1: engine none has no parameter Width"},
        // Engine parameters: the range comes with every refusal.
        {{"process", "--engine", "vyohd", "--set", "QELWidth=1.5", "quad.wav", "out.wav"}, 2,
         "--set QELWidth=1.5: QELWidth must be 0..1"},
        {{"process", "--engine", "vyohd", "--set", "QELMode=2.5", "quad.wav", "out.wav"}, 2,
         "--set QELMode=2.5: QELMode takes a whole number (0..3)"},
        {{"process", "--engine", "vyohd", "--set", "Width=1", "quad.wav", "out.wav"}, 2,
         "--set Width=1: engine vyohd has no parameter Width"},
        {{"process", "--engine", "kova", "--set", "KVHDMode=12", "quad.wav", "out.wav"}, 2,
         "--set KVHDMode=12: KVHDMode must be 0..11"},
        {{"process", "--engine", "kova", "--set", "Headphone=yes", "quad.wav", "out.wav"}, 2,
         "--set Headphone=yes: 'yes' is not a number"},
        {{"process", "--engine", "kova", "--set", "FrontPresence=2.01", "quad.wav", "out.wav"}, 2,
         "--set FrontPresence=2.01: engine kova refused FrontPresence (STATUS_INVALID_PARAMETER)"},
        // Formats KOVA does not take: the message lists those it does.
        {{"process", "--engine", "kova", "mono.wav", "out.wav"}, 1,
         "engine kova refused 48000 Hz, 16-bit, 1 channel, channel mask none (STATUS_INVALID_PARAMETER); it takes "
         "2, 4, 6, 7 or 8 channels, channel mask 0x3, 0x33, 0x3F, 0x60F or 0x13F naming no more speakers than "
         "channels (--mask for input without one), 8, 16, 24 or 32 bits per sample"},
        {{"process", "--engine", "kova", "wide.wav", "out.wav"}, 1,
         "engine kova refused 48000 Hz, 16-bit, 8 channels, channel mask 0x63F (STATUS_INVALID_PARAMETER); it takes"},
        {{"process", "--mask", "0x3F", "quad.wav", "out.wav"}, 2,
         "--mask 0x3F conflicts with the input's own channel mask 0x33"},
        {{"process", "--mask", "speakers", "quad.wav", "out.wav"}, 2, "--mask 'speakers' is not a 32-bit hexadecimal"},
        {{"process", "--buffer-frames", "0", "quad.wav", "out.wav"}, 2, "--buffer-frames '0' is not a whole number"},
        {{"process", "--seed", "-1", "quad.wav", "out.wav"}, 2, "--seed '-1' is not a whole number"},
        {{"process", "quad.wav", "out.wav", "extra.wav"}, 2, "The following argument was not expected: extra.wav"},
        {{"process", "--engine", "vyohd", "--settings", "notes.txt", "quad.wav", "out.wav"}, 1,
         "'notes.txt' line 1: the first line must be \"VASTUM REGISTRY 1\""},
        {{"process", "--engine", "none", "--settings", "notes.txt", "out.wav"}, 2,
         "--settings: engine none has no property set and no settings"},
        {{"process"}, 2, "OUT is required"},
        {{"render", "out.wav"}, 2, "unknown command 'render' (commands: process, props, settings, machine, play, demo)"},
        {{}, 2, "A subcommand is required"},
    };
    const std::vector<std::uint8_t> precious = {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'};
    for (const ErrorCase& c : cases) {
        std::string line = "vastum";
        for (const std::string& arg : c.args) {
            line += " " + arg;
        }
        SCOPED_TRACE(line);
        for (const bool outputExists : {false, true}) {
            std::filesystem::remove(folder / "out.wav");
            if (outputExists) {
                WriteFileBytes(folder / "out.wav", precious);
            }
            const ProgramRun run = Run(c.args);
            EXPECT_EQ(run.exitCode, c.exitCode);
            EXPECT_EQ(run.out, "");
            EXPECT_TRUE(run.err.starts_with("vastum: ")) << run.err;
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;

            std::set<std::string> expected = fixtures;
            if (outputExists) {
                expected.insert("out.wav");
                EXPECT_EQ(ReadFileBytes(folder / "out.wav"), precious);
            }
            EXPECT_EQ(folder.Entries(), expected) << "no output and no temporary file";
        }
    }
}

TEST_F(VastumProgram, renders_the_demo_programme_and_reads_and_writes_standard_streams)
{
    ProgramRun run = Run({"process", "demo.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const vastum::Audio demo = vastum::DemoProgramme();
    EXPECT_EQ(vastum::DecodeSoundFile(ReadFileBytes(folder / "demo.wav"), "demo.wav").pcm, demo.pcm);

    // WAVE from standard input to standard output.
    run = Run({"process", "-", "-"}, folder / "demo.wav");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::vector<std::uint8_t>(run.out.begin(), run.out.end()), ReadFileBytes(folder / "demo.wav"));

    // Raw PCM from standard input into a file.
    WriteFileBytes(folder / "in.raw", TestAudio(8000, 24, 3, 99).pcm);
    run = Run({"process", "--raw", "8000,24,3", "--buffer-frames", "7", "-", "out.raw"}, folder / "in.raw");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(folder / "out.raw"), ReadFileBytes(folder / "in.raw"));
    EXPECT_EQ(folder.Entries(), (std::set<std::string>{"demo.wav", "in.raw", "out.raw"}));
}

TEST_F(VastumProgram, help_lists_the_engines_and_an_engines_parameters)
{
    ProgramRun run = Run({"process", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Usage: vastum process [OPTIONS] [IN] OUT"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("none (default): copies the audio unchanged"), std::string::npos) << run.out;

    run = Run({"process", "--engine", "none", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("Engine none has no parameters."), std::string::npos) << run.out;

    run = Run({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("process"), std::string::npos) << run.out;
    EXPECT_TRUE(folder.Entries().empty());
}

}  // namespace
