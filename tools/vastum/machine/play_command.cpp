#include "machine/play_command.h"

#include <ks_client.h>
#include <vcard_recordings.h>

#include "audio/sound_file.h"
#include "command_error.h"
#include "files/atomic_file.h"
#include "files/input_bytes.h"
#include "machine/client_wave_format.h"
#include "machine/machine_session.h"
#include "sim/text.h"
#include "sim/process.h"

namespace vastum {

namespace {

// Plays the audio in a client process of its own; the recordings that
// ended meanwhile are what the card made of it.
std::vector<vcard::Recording> PlayAsClient(const Audio& audio, const std::string& name)
{
    const auto devices = ksclient::RenderDevices();
    if (devices.empty()) {
        throw CommandError("the machine has no render device (install one: vastum machine --state DIR install-card)");
    }
    const WAVEFORMATEXTENSIBLE wave = ClientWaveFormat(audio.format);
    vcard::ForgetFinishedRecordings();
    sim::ClientProcess client("vastum play");
    sim::ProcessScope scope(client);
    std::string step;
    const DWORD error = ksclient::PlayToFirstRenderDevice(&wave.Format, audio.pcm.data(), audio.pcm.size(), &step);
    if (error == ERROR_NO_MATCH && step == "create the pin") {
        throw CommandError(sim::Utf8FromWide(devices[0]) + " does not play " + DescribeFormat(audio.format) + " (" + name + ")");
    }
    if (error != ERROR_SUCCESS) {
        throw CommandError("playing " + name + " through " + sim::Utf8FromWide(devices[0]) + " failed to " + step + ": " +
                           ksclient::ErrorName(error));
    }
    return vcard::FinishedRecordings();
}

void CopyRecording(const std::vector<vcard::Recording>& recordings, const std::string& outputPath)
{
    if (recordings.empty()) {
        throw CommandError("the card recorded nothing (its hardware key names no SinkFolder); " + outputPath +
                           " was not written");
    }
    const vcard::Recording& recording = recordings.back();
    if (!recording.error.empty()) {
        throw CommandError("the card's recording failed: " + recording.error);
    }
    WriteFileAtomically(outputPath, ReadInputBytes(recording.path.string()));
}

}  // namespace

void RunPlay(const PlayRequest& request, std::ostream& out, std::ostream& err)
{
    const std::string name = InputDisplayName(request.inputPath);
    const Audio audio = DecodeSoundFile(ReadInputBytes(request.inputPath), name);
    MachineSession session(request.stateFolder);
    session.ReportNotes(err);
    const std::vector<vcard::Recording> recordings = PlayAsClient(audio, name);
    out << "played " << name << " (" << DescribeFormat(audio.format) << ", " << DescribeDuration(audio) << ") through "
        << sim::Utf8FromWide(ksclient::RenderDevices().at(0)) << "\n";
    for (const vcard::Recording& recording : recordings) {
        out << "recorded " << recording.path.string()
            << (recording.error.empty() ? "" : " (incomplete: " + recording.error + ")") << "\n";
    }
    if (request.outputPath) {
        CopyRecording(recordings, *request.outputPath);
        out << "wrote " << *request.outputPath << "\n";
    }
    session.Close();
}

}  // namespace vastum
