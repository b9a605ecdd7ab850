#include "machine/demo_command.h"

#include <ks_client.h>
#include <vcard_install.h>
#include <vcard_recordings.h>
#include <vyofilter_properties.h>

#include "audio/levels.h"
#include "audio/sound_file.h"
#include "command_error.h"
#include "demo/demo_programme.h"
#include "files/atomic_file.h"
#include "files/input_bytes.h"
#include "machine/client_wave_format.h"
#include "machine/filter_settings.h"
#include "machine/machine_session.h"
#include "sim/machine.h"
#include "sim/process.h"
#include "sim/status.h"
#include "sim/text.h"

namespace vastum {

namespace {

constexpr wchar_t kFilterService[] = L"vyofilter";

struct EngineChoice {
    DemoEngine engine;
    const char* name;
    const char* title;
    ULONG procMode;
};

constexpr EngineChoice kEngineChoices[] = {
    {DemoEngine::Vyohd, "vyohd", "VYO HD", VYOFILTER_PROCMODE_VYOHD},
    {DemoEngine::Kova, "kova", "KOVA", VYOFILTER_PROCMODE_KOVA},
    {DemoEngine::Off, "off", "none, the filter passes the audio unchanged", VYOFILTER_PROCMODE_OFF},
};

const EngineChoice& ChoiceFor(DemoEngine engine)
{
    for (const EngineChoice& choice : kEngineChoices) {
        if (choice.engine == engine) {
            return choice;
        }
    }
    return kEngineChoices[0];
}

// Instance ids, service names and interface paths compare without regard
// to case.
bool SameName(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

void Require(NTSTATUS status, const std::string& what)
{
    if (!NT_SUCCESS(status)) {
        throw CommandError(what + " failed: " + sim::StatusName(status));
    }
}

const sim::machine::DeviceInfo* FindDevice(const std::vector<sim::machine::DeviceInfo>& devices,
                                           const std::wstring& instance)
{
    for (const auto& device : devices) {
        if (SameName(device.instanceId, instance)) {
            return &device;
        }
    }
    return nullptr;
}

// The machine's first virtual card, with VYOFilter at the top of its stack
// and recording into `sink`: installed when the machine has none, given the
// filter (and restarted) when its card lacks it. Returns its instance id.
std::wstring PrepareCard(const std::filesystem::path& sink)
{
    std::wstring instance;
    for (const auto& device : sim::machine::Devices()) {
        if (SameName(device.service, vcard::kCardService)) {
            instance = device.instanceId;
            std::vector<std::wstring> filters = device.upperFilters;
            const bool filtered = std::any_of(filters.begin(), filters.end(),
                                              [](const std::wstring& name) { return SameName(name, kFilterService); });
            if (!filtered) {
                filters.emplace_back(kFilterService);
                Require(sim::machine::SetUpperFilters(instance, filters), "adding vyofilter to the card's filters");
                if (device.started) {
                    Require(sim::machine::DisableDevice(instance), "restarting the card");
                }
            }
            Require(vcard::ConfigureCard(instance, sink, {}), "configuring the card");
            if (!device.started || !filtered) {
                sim::machine::EnableDevice(instance);
            }
            break;
        }
    }
    if (instance.empty()) {
        vcard::CardSetup setup;
        setup.upperFilters = {kFilterService};
        setup.sinkFolder = sink;
        Require(vcard::InstallCard(setup), "installing the virtual card");
        instance = setup.instanceId;
    }
    const auto devices = sim::machine::Devices();
    const sim::machine::DeviceInfo* card = FindDevice(devices, instance);
    if (card == nullptr || !card->started) {
        throw CommandError("the card " + sim::Utf8FromWide(instance) + " did not start" +
                           (card != nullptr ? ": " + sim::StatusName(card->problem) : std::string()));
    }
    return instance;
}

// The card's render interface, as a client opens it:
// "\\?\<instance with # for \>#{category}\Wave".
std::wstring RenderInterfaceOf(const std::wstring& instance)
{
    std::wstring prefix = L"\\\\?\\" + instance + L"#";
    std::replace(prefix.begin() + 4, prefix.end(), L'\\', L'#');
    for (const std::wstring& path : ksclient::RenderDevices()) {
        if (path.size() > prefix.size() && _wcsnicmp(path.c_str(), prefix.c_str(), prefix.size()) == 0) {
            return path;
        }
    }
    throw CommandError("the card " + sim::Utf8FromWide(instance) + " has no render interface");
}

// Chooses the engine on the card's filter device as the control panel
// does, and reads back what the card's stack now holds.
std::string ChooseEngine(const std::wstring& device, const EngineChoice& choice)
{
    HANDLE filter = ksclient::OpenFilter(device);
    if (filter == INVALID_HANDLE_VALUE) {
        throw CommandError("opening " + sim::Utf8FromWide(device) + " failed: " + ksclient::ErrorName(GetLastError()));
    }
    DWORD error = ksclient::Set(filter, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, choice.procMode);
    ULONG procMode = ~0u;
    if (error == ERROR_SUCCESS) {
        error = ksclient::Get(filter, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, &procMode);
    }
    const std::string settings = error == ERROR_SUCCESS ? DescribeEngineSettings(filter, procMode) : std::string();
    CloseHandle(filter);
    if (error == ERROR_SET_NOT_FOUND) {
        throw CommandError("the card's stack has no VYOFilter to set ProcMode on");
    }
    if (error != ERROR_SUCCESS || procMode != choice.procMode) {
        throw CommandError("setting ProcMode " + std::to_string(choice.procMode) + " failed: " +
                           ksclient::ErrorName(error));
    }
    return settings;
}

// Plays the audio in a client process of its own and returns the card's
// recording of it.
Audio PlayAndRecord(const std::wstring& device, const Audio& audio, const std::string& name)
{
    const WAVEFORMATEXTENSIBLE wave = ClientWaveFormat(audio.format);
    vcard::ForgetFinishedRecordings();
    sim::SeedRandom(kDemoDitherSeed);
    std::string step;
    const DWORD error = ksclient::PlayToRenderDevice(device, &wave.Format, audio.pcm.data(), audio.pcm.size(), &step);
    if (error != ERROR_SUCCESS) {
        throw CommandError("playing " + name + " (" + DescribeFormat(audio.format) + ") failed to " + step + ": " +
                           ksclient::ErrorName(error));
    }
    const std::vector<vcard::Recording> recordings = vcard::FinishedRecordings();
    if (recordings.empty()) {
        throw CommandError("the card recorded nothing");
    }
    if (!recordings.back().error.empty()) {
        throw CommandError("the card's recording failed: " + recordings.back().error);
    }
    return DecodeSoundFile(ReadInputBytes(recordings.back().path.string()), "the card's recording");
}

// The card records into a folder of its own under OUT, gone afterwards.
class RecordingFolder {
public:
    explicit RecordingFolder(std::filesystem::path path) : m_path(std::move(path))
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ~RecordingFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    RecordingFolder(const RecordingFolder&) = delete;
    RecordingFolder& operator=(const RecordingFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

}  // namespace

DemoEngine ParseDemoEngine(const std::string& name)
{
    for (const EngineChoice& choice : kEngineChoices) {
        if (name == choice.name) {
            return choice.engine;
        }
    }
    throw UsageError("unknown engine '" + name + "' (demo engines: vyohd, kova, off)");
}

void RunDemo(const DemoRequest& request, std::ostream& out, std::ostream& err)
{
    const EngineChoice& choice = ChoiceFor(request.engine);
    const std::string name = request.inputPath ? InputDisplayName(*request.inputPath) : "the demo programme";
    const Audio input = request.inputPath ? DecodeSoundFile(ReadInputBytes(*request.inputPath), name) : DemoProgramme();
    std::error_code created;
    std::filesystem::create_directories(request.outFolder, created);
    if (created) {
        throw CommandError("cannot create " + request.outFolder.string() + ": " + created.message());
    }
    const std::filesystem::path state =
        request.stateFolder.empty() ? request.outFolder / "machine" : request.stateFolder;
    RecordingFolder recordings(request.outFolder / ".card-recordings");

    MachineSession session(state);
    session.ReportNotes(err);
    const std::wstring device = RenderInterfaceOf(PrepareCard(recordings.Path()));
    Audio output;
    std::string settings;
    {
        sim::ClientProcess client("vastum demo");
        sim::ProcessScope scope(client);
        settings = ChooseEngine(device, choice);
        output = PlayAndRecord(device, input, name);
    }
    session.Close();

    const std::string inputPath = (request.outFolder / "input.wav").string();
    const std::string outputPath = (request.outFolder / "output.wav").string();
    WriteFileAtomically(inputPath, EncodeWave(input));
    WriteFileAtomically(outputPath, EncodeWave(output));
    out << "engine:   " << choice.title << " (ProcMode " << choice.procMode << ")\n";
    if (!settings.empty()) {
        out << "settings: " << settings << "\n";
    }
    out << "played:   " << name << " (" << DescribeFormat(input.format) << ", " << DescribeDuration(input)
        << ") through "
        << sim::Utf8FromWide(device) << " in 10 ms write requests\n";
    out << "in:       " << DescribeLevels(MeasureLevels(input)) << "  " << inputPath << "\n";
    out << "out:      " << DescribeLevels(MeasureLevels(output)) << "  " << outputPath << "\n";
}

}  // namespace vastum
