// Everything at once, bounded in count and in time: players on pins of
// their own (two of them writing to one pin from two threads), clients
// setting properties and registering change events, pins and handles
// opening and closing, and a disable and enable of the card between two
// rounds. No deadlock, no crash, no request failing that should succeed,
// and no pool left behind. Sanitizer builds run it too.

#include <kova_properties.h>
#include <vyohd_properties.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "filter_machine.h"
#include "sim/machine.h"
#include "sim/pool.h"

namespace filtertest {
namespace {

using Clock = std::chrono::steady_clock;

// Each round ends when every thread has done its count or the time is up.
constexpr int kPlayers = 4;
constexpr int kSessionsPerPlayer = 20;
constexpr int kWritesPerSession = 12;
constexpr int kPropertyClients = 2;
constexpr int kPropertyRequestsPerClient = 700;
constexpr auto kRoundTime = std::chrono::seconds(3);

// The clock of a round starts when it is made, before any thread that
// looks at it.
struct Round {
    const Clock::time_point deadline = Clock::now() + kRoundTime;
    std::atomic<int> failures{0};
    std::atomic<int> writes{0};

    bool Running() const { return Clock::now() < deadline; }
    void Expect(bool ok) { failures += ok ? 0 : 1; }
};

const WAVEFORMATEXTENSIBLE kFormats[] = {
    ksclient::PcmFormat(2, 48000, 16), ksclient::PcmFormat(6, 44100, 16), ksclient::PcmFormat(2, 96000, 24),
    ksclient::PcmFormat(1, 22050, 16), ksclient::PcmFormat(2, 32000, 8),
};

// Plays sessions on pins of its own; each session opens the filter, runs a
// pin through its states and closes both.
void Player(Round& round, int index)
{
    sim::ClientProcess process("player " + std::to_string(index));
    sim::ProcessScope scope(process);
    const std::wstring device = ksclient::RenderDevices().at(0);
    for (int session = 0; session < kSessionsPerPlayer && round.Running(); ++session) {
        const WAVEFORMATEX& wave = kFormats[(index + session) % std::size(kFormats)].Format;
        HANDLE filter = ksclient::OpenFilter(device);
        round.Expect(filter != INVALID_HANDLE_VALUE);
        HANDLE pin = nullptr;
        round.Expect(ksclient::CreateRenderPin(filter, &wave, false, &pin) == ERROR_SUCCESS);
        round.Expect(ksclient::SetFormat(pin, &wave) == ERROR_SUCCESS);
        for (KSSTATE state : {KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN}) {
            round.Expect(ksclient::SetState(pin, state) == ERROR_SUCCESS);
        }
        Bytes buffer = TestSignal(wave, wave.nSamplesPerSec / 100);
        for (int write = 0; write < kWritesPerSession; ++write) {
            KSSTREAM_HEADER header = ksclient::StreamHeader(buffer.data(), static_cast<ULONG>(buffer.size()));
            round.Expect(ksclient::Write(pin, &header, 1) == ERROR_SUCCESS);
            round.writes += 1;
        }
        round.Expect(ksclient::SetState(pin, KSSTATE_STOP) == ERROR_SUCCESS);
        CloseHandle(pin);
        CloseHandle(filter);
    }
}

// Two threads write to one pin at the same time.
void SharedPin(Round& round)
{
    sim::ClientProcess process("shared pin");
    sim::ProcessScope scope(process);
    const WAVEFORMATEX& wave = kFormats[0].Format;
    HANDLE filter = ksclient::OpenFilter(ksclient::RenderDevices().at(0));
    HANDLE pin = nullptr;
    round.Expect(ksclient::CreateRenderPin(filter, &wave, false, &pin) == ERROR_SUCCESS);
    round.Expect(ksclient::SetState(pin, KSSTATE_RUN) == ERROR_SUCCESS);
    auto writer = [&] {
        sim::ProcessScope writerScope(process);
        Bytes buffer = TestSignal(wave, 480);
        for (int write = 0; write < kSessionsPerPlayer * kWritesPerSession && round.Running(); ++write) {
            KSSTREAM_HEADER header = ksclient::StreamHeader(buffer.data(), static_cast<ULONG>(buffer.size()));
            round.Expect(ksclient::Write(pin, &header, 1) == ERROR_SUCCESS);
            round.writes += 1;
        }
    };
    std::thread other(writer);
    writer();
    other.join();
    CloseHandle(pin);
    CloseHandle(filter);
}

// Sets and reads properties, and registers, replaces and drops its change
// event, reopening its filter handle now and then.
void PropertyClient(Round& round, int index)
{
    sim::ClientProcess process("properties " + std::to_string(index));
    sim::ProcessScope scope(process);
    const std::wstring device = ksclient::RenderDevices().at(0);
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE filter = INVALID_HANDLE_VALUE;
    for (int request = 0; request < kPropertyRequestsPerClient && round.Running(); ++request) {
        if (request % 50 == 0) {
            CloseHandle(filter);
            filter = ksclient::OpenFilter(device);
            round.Expect(filter != INVALID_HANDLE_VALUE);
        }
        const ULONG eventValue = static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(event));
        LONG value = 0;
        switch (request % 7) {
        case 0:
            round.Expect(ksclient::Set(filter, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_HANDLEPRIVATE,
                                       request % 3 == 0 ? 0u : eventValue) == ERROR_SUCCESS);
            break;
        case 1:
            round.Expect(ksclient::Set(filter, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE,
                                       static_cast<ULONG>(request % 3)) == ERROR_SUCCESS);
            break;
        case 2:
            round.Expect(ksclient::Set(filter, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, 9u) ==
                         ERROR_INVALID_PARAMETER);
            break;
        case 3:
            round.Expect(ksclient::Set(filter, KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELWIDTH, request % 101) ==
                         ERROR_SUCCESS);
            break;
        case 4:
            round.Expect(ksclient::Get(filter, KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELWIDTH, &value) == ERROR_SUCCESS);
            break;
        case 5:
            round.Expect(ksclient::Set(filter, KSPROPSETID_KOVA, KSPROPERTY_KOVA_SUBVIALEVEL, request % 101) ==
                         ERROR_SUCCESS);
            break;
        case 6: {
            KSP_NODE property{};
            property.Property = ksclient::MakeProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY,
                                                       KSPROPERTY_TYPE_SET);
            LONG geometry = request % 2 == 0 ? KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE
                                             : KSAUDIO_STEREO_SPEAKER_GEOMETRY_WIDE;
            round.Expect(ksclient::Property(filter, &property, sizeof property, &geometry, sizeof geometry) ==
                         ERROR_SUCCESS);
            break;
        }
        }
        ResetEvent(event);
    }
    CloseHandle(filter);
    CloseHandle(event);
}

void RunRound(Round& round)
{
    std::vector<std::thread> threads;
    for (int i = 0; i < kPlayers; ++i) {
        threads.emplace_back(Player, std::ref(round), i);
    }
    threads.emplace_back(SharedPin, std::ref(round));
    for (int i = 0; i < kPropertyClients; ++i) {
        threads.emplace_back(PropertyClient, std::ref(round), i);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

class FilterStress : public FilterMachine {};

TEST_F(FilterStress, players_property_clients_and_a_restart_of_the_card_run_clean_together)
{
    InstallCard({}, vcard::kCardInstance, false);
    Round first;
    {
        // A handle held throughout makes every disable of the first round
        // an orderly refusal.
        HANDLE holder = OpenFilter();
        std::thread disabler([&] {
            while (first.Running() && first.writes < kPlayers * kWritesPerSession) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            EXPECT_EQ(sim::machine::DisableDevice(vcard::kCardInstance), STATUS_DEVICE_BUSY);
        });
        RunRound(first);
        disabler.join();
        CloseHandle(holder);
    }
    EXPECT_EQ(first.failures, 0);
    EXPECT_GT(first.writes, 0);
    EXPECT_EQ(sim::pool::Usage("VFsc").liveBlocks, 0u) << "every pin's context went with its close";
    EXPECT_EQ(sim::pool::Usage("ELI ").liveBlocks, 0u) << "every change event went with its handle";

    EXPECT_EQ(sim::machine::DisableDevice(vcard::kCardInstance), STATUS_SUCCESS);
    EXPECT_EQ(sim::machine::EnableDevice(vcard::kCardInstance), STATUS_SUCCESS);

    Round second;
    RunRound(second);
    EXPECT_EQ(second.failures, 0);
    EXPECT_GT(second.writes, 0);
}

}  // namespace
}  // namespace filtertest
