// `vastum machine` and `vastum play` on a state folder: installing the
// card, listing devices, editing filter lists and registry keys, and
// playing a file through the card as a client does.

#include "machine/machine_command.h"
#include "machine/play_command.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "audio/sound_file.h"
#include "audio_fixtures.h"
#include "command_error.h"
#include "temporary_folder.h"

namespace {

using vastum::CommandError;
using vastum::MachineAction;
using vastum::MachineRequest;

class MachineCommand : public ::testing::Test {
protected:
    // Runs one machine command; returns what it printed.
    std::string Machine(MachineAction action, const std::string& instance = "", const std::string& filter = "")
    {
        MachineRequest request;
        request.stateFolder = folder / "state";
        request.action = action;
        request.instance = instance;
        request.filter = filter;
        request.sinkFolder = folder / "sink";
        return Run(request);
    }

    std::string Run(const MachineRequest& request)
    {
        std::ostringstream out;
        err.str("");
        vastum::RunMachine(request, out, err);
        return out.str();
    }

    std::string Play(const std::string& input, const std::string& output)
    {
        std::ostringstream out;
        vastum::RunPlay({folder / "state", input, output}, out, err);
        return out.str();
    }

    TemporaryFolder folder;
    std::ostringstream err;
};

const std::string kCard = "ROOT\\MEDIA\\0000";

TEST_F(MachineCommand, an_installed_card_starts_at_every_boot_with_its_interfaces)
{
    EXPECT_EQ(Machine(MachineAction::ListDevices), "no devices\n");
    EXPECT_EQ(Machine(MachineAction::InstallCard), "installed " + kCard + " \"Vastum Virtual Sound Card\": started\n");
    const std::string devices = Machine(MachineAction::ListDevices);
    EXPECT_NE(devices.find("  driver:    vcard\n  filters:   none\n  state:     started\n"), std::string::npos)
        << devices;
    EXPECT_NE(devices.find("interface: \\\\?\\ROOT#MEDIA#0000#{65e8773e-8f56-11d0-a3b9-00a0c9223196}\\Wave"),
              std::string::npos)
        << devices;
    EXPECT_THROW(Machine(MachineAction::InstallCard), CommandError) << "one card per instance id";
}

TEST_F(MachineCommand, a_changed_filter_list_builds_the_stack_at_the_next_start)
{
    Machine(MachineAction::InstallCard);
    EXPECT_EQ(Machine(MachineAction::AddFilter, kCard, "nosuchfilter"),
              "upper filters of " + kCard + ": nosuchfilter (from its next start)\n");
    const std::string devices = Machine(MachineAction::ListDevices);
    EXPECT_NE(devices.find("state:     not started (STATUS_DRIVER_UNABLE_TO_LOAD)"), std::string::npos) << devices;
    EXPECT_NE(err.str().find("note: device " + kCard + " did not start"), std::string::npos) << err.str();
    EXPECT_EQ(Machine(MachineAction::AddFilter, kCard, "NoSuchFilter"),
              "NoSuchFilter is an upper filter of " + kCard + " already\n");

    Machine(MachineAction::RemoveFilter, kCard, "nosuchfilter");
    EXPECT_NE(Machine(MachineAction::ListDevices).find("state:     started"), std::string::npos);
    EXPECT_THROW(Machine(MachineAction::RemoveFilter, kCard, "nosuchfilter"), CommandError);
    EXPECT_THROW(Machine(MachineAction::AddFilter, "ROOT\\MEDIA\\0001", "vyofilter"), CommandError) << "no device";
}

TEST_F(MachineCommand, an_exported_key_imports_back_and_a_malformed_import_changes_nothing)
{
    Machine(MachineAction::InstallCard);
    MachineRequest request;
    request.stateFolder = folder / "state";
    request.action = MachineAction::ExportKey;
    request.key = "\\Registry\\Machine\\System\\CurrentControlSet\\Enum\\" + kCard + "\\Device Parameters";
    const std::string exported = Run(request);
    const std::string original = "\"RefuseSampleRate\"=dword:00000000";
    const std::size_t value = exported.find(original);
    ASSERT_NE(value, std::string::npos) << exported;

    std::string edited = exported;
    edited.replace(value, original.size(), "\"RefuseSampleRate\"=dword:0000ac44");
    WriteFileBytes(folder / "edited.txt", {edited.begin(), edited.end()});
    MachineRequest import;
    import.stateFolder = folder / "state";
    import.action = MachineAction::ImportFile;
    import.file = folder / "edited.txt";
    Run(import);
    EXPECT_EQ(Run(request), edited) << "the edit is in the registry after the next boot";

    const std::string malformed = "VASTUM REGISTRY 1\n[" + request.key + "]\n\"RefuseChannels\"=dword:zz\n";
    WriteFileBytes(folder / "malformed.txt", {malformed.begin(), malformed.end()});
    import.file = folder / "malformed.txt";
    try {
        Run(import);
        FAIL() << "a malformed export is refused";
    } catch (const CommandError& error) {
        EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
    }
    EXPECT_EQ(Run(request), edited);
}

TEST_F(MachineCommand, a_registry_without_a_good_copy_is_refused_and_left_as_it_was)
{
    Machine(MachineAction::InstallCard);
    const std::string current = folder / "state/registry.txt";
    const std::string previous = folder / "state/registry.previous.txt";
    WriteFileBytes(current, {'t', 'o', 'r', 'n'});
    WriteFileBytes(previous, {'b', 'a', 'd'});
    EXPECT_THROW(Machine(MachineAction::ListDevices), CommandError);
    EXPECT_EQ(ReadFileBytes(current), (std::vector<std::uint8_t>{'t', 'o', 'r', 'n'}));
    EXPECT_EQ(ReadFileBytes(previous), (std::vector<std::uint8_t>{'b', 'a', 'd'}));
}

TEST_F(MachineCommand, play_sends_a_file_through_the_card_which_records_it_whole)
{
    Machine(MachineAction::InstallCard);
    for (const vastum::Audio& audio : {TestAudio(44100, 16, 2, 44100 / 3), TestAudio(48000, 24, 6, 4801, 0x3F)}) {
        WriteFileBytes(folder / "in.wav", vastum::EncodeWave(audio));
        const std::string said = Play(folder / "in.wav", folder / "out.wav");
        EXPECT_NE(said.find("recorded "), std::string::npos) << said;
        const vastum::Audio played = vastum::DecodeSoundFile(ReadFileBytes(folder / "out.wav"), "out.wav");
        EXPECT_EQ(played.format.sampleRate, audio.format.sampleRate);
        EXPECT_EQ(played.format.channels, audio.format.channels);
        EXPECT_EQ(played.format.bitsPerSample, audio.format.bitsPerSample);
        EXPECT_EQ(played.pcm, audio.pcm) << audio.format.channels << " channels";
    }
}

TEST_F(MachineCommand, play_without_a_render_device_or_in_a_format_the_card_does_not_play_fails_clearly)
{
    WriteFileBytes(folder / "in.wav", vastum::EncodeWave(TestAudio(4000, 16, 2, 400)));
    try {
        Play(folder / "in.wav", folder / "out.wav");
        FAIL() << "there is nothing to play on";
    } catch (const CommandError& error) {
        EXPECT_NE(std::string(error.what()).find("no render device"), std::string::npos) << error.what();
    }
    Machine(MachineAction::InstallCard);
    try {
        Play(folder / "in.wav", folder / "out.wav");
        FAIL() << "the card plays nothing below 8 kHz";
    } catch (const CommandError& error) {
        EXPECT_NE(std::string(error.what()).find("does not play 4000 Hz"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "out.wav"));
}

}  // namespace
