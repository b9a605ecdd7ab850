// Cost of VYOFilter on the audio path: one 10 ms buffer of 48 kHz 16-bit
// stereo written by a client to a pin of the virtual card, per request.
//
//   BM_EngineOwnProcessing        the VYO HD engine's ProcessInPlace alone
//   BM_WriteRequest/card only     the request through a card without the filter
//   BM_WriteRequest/filter ...    through the card with VYOFilter above it, by ProcMode
//   BM_FilterAddedCost            the engine alone, the filter with ProcMode off and
//                                 the card alone, timed in every iteration: what the
//                                 filter adds to a request beyond the engine's own
//                                 work, in ns and in percent of that work (target:
//                                 under 5)
//
// "realtime" is how many seconds of audio one second of one core carries.
#include <benchmark/benchmark.h>
#include <windows.h>

#include <ks_client.h>
#include <vcard_install.h>
#include <vyofilter_properties.h>
#include <vyohd_interface.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "sim/machine.h"
#include "sim/process.h"
#include "sim/status.h"

namespace {

constexpr ULONG kRate = 48000;
constexpr ULONG kFrames = kRate / 100;
const WAVEFORMATEXTENSIBLE kFormat = ksclient::PcmFormat(2, kRate, 16);
constexpr wchar_t kFilteredCard[] = L"ROOT\\MEDIA\\0000";
constexpr wchar_t kPlainCard[] = L"ROOT\\MEDIA\\0001";

std::vector<std::uint8_t> Programme()
{
    std::vector<std::uint8_t> pcm(kFrames * 4);
    for (ULONG i = 0; i < kFrames; ++i) {
        for (int channel = 0; channel < 2; ++channel) {
            const double x = 0.35 * std::sin(2.0 * M_PI * (55.0 + 20.0 * channel) * i / kRate) +
                             0.2 * std::sin(2.0 * M_PI * 1100.0 * i / kRate);
            const auto sample = static_cast<std::int16_t>(std::lround(x * 32767.0));
            std::memcpy(&pcm[(i * 2 + channel) * 2], &sample, 2);
        }
    }
    return pcm;
}

// A booted machine with two cards, one under VYOFilter and one without, a
// client process and a running pin on each. Ready() says whether all of it
// came up; a benchmark on a machine that did not would time the wrong path.
class Machine {
public:
    Machine()
    {
        sim::machine::Boot({});
        const bool installed = Install(kFilteredCard, {L"vyofilter"}) && Install(kPlainCard, {});
        m_client.emplace("bench");
        m_scope.emplace(*m_client);
        const auto devices = ksclient::RenderDevices();  // in instance order
        if (!installed || devices.size() != 2) {
            return;
        }
        m_filter = ksclient::OpenFilter(devices[0]);
        m_plainFilter = ksclient::OpenFilter(devices[1]);
        m_ready = StartPin(m_filter, &m_filteredPin) && StartPin(m_plainFilter, &m_plainPin);
    }

    ~Machine()
    {
        for (HANDLE handle : {m_filteredPin, m_filter, m_plainPin, m_plainFilter}) {
            if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
                CloseHandle(handle);
            }
        }
        m_scope.reset();
        m_client.reset();
        sim::machine::Shutdown();
    }

    bool Ready() const { return m_ready; }

    bool SetProcMode(ULONG procMode)
    {
        return ksclient::Set(m_filter, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, procMode) ==
               ERROR_SUCCESS;
    }

    bool Write(HANDLE pin, std::vector<std::uint8_t>& buffer)
    {
        KSSTREAM_HEADER header = ksclient::StreamHeader(buffer.data(), static_cast<ULONG>(buffer.size()));
        return ksclient::Write(pin, &header, 1) == ERROR_SUCCESS;
    }

    HANDLE FilteredPin() const { return m_filteredPin; }
    HANDLE PlainPin() const { return m_plainPin; }

private:
    static bool Install(const wchar_t* instance, std::vector<std::wstring> filters)
    {
        vcard::CardSetup setup;
        setup.instanceId = instance;
        setup.upperFilters = std::move(filters);
        return vcard::InstallCard(setup) == STATUS_SUCCESS;
    }

    static bool StartPin(HANDLE filter, HANDLE* pin)
    {
        return filter != INVALID_HANDLE_VALUE &&
               ksclient::CreateRenderPin(filter, &kFormat.Format, false, pin) == ERROR_SUCCESS &&
               ksclient::SetFormat(*pin, &kFormat.Format) == ERROR_SUCCESS &&
               ksclient::SetState(*pin, KSSTATE_RUN) == ERROR_SUCCESS;
    }

    std::optional<sim::ClientProcess> m_client;
    std::optional<sim::ProcessScope> m_scope;
    HANDLE m_filter = INVALID_HANDLE_VALUE;
    HANDLE m_plainFilter = INVALID_HANDLE_VALUE;
    HANDLE m_filteredPin = nullptr;
    HANDLE m_plainPin = nullptr;
    bool m_ready = false;
};

// The engine as the filter drives it: a stream of the shared library,
// formatted for the buffers, with the floating-point state saved around it.
class EngineStream {
public:
    EngineStream()
    {
        sim::SeedRandom(1);
        m_manager = CreateVYOHDManager2();
        m_stream = m_manager->CreateStream();
        m_stream->SetFormat(&kFormat.Format);
    }

    ~EngineStream()
    {
        m_stream->Release();
        m_manager->Release();
    }

    void Process(std::vector<std::uint8_t>& buffer)
    {
        KFLOATING_SAVE save;
        KeSaveFloatingPointState(&save);
        m_stream->ProcessInPlace(buffer.data(), static_cast<ULONG>(buffer.size()));
        KeRestoreFloatingPointState(&save);
    }

private:
    VYOHDManager* m_manager;
    VYOHDStream* m_stream;
};

void SetRealtime(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kFrames * 4);
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kFrames / kRate, benchmark::Counter::kIsRate);
}

void BM_EngineOwnProcessing(benchmark::State& state)
{
    const std::vector<std::uint8_t> programme = Programme();
    std::vector<std::uint8_t> buffer(programme.size());
    EngineStream engine;
    for (auto _ : state) {
        std::memcpy(buffer.data(), programme.data(), buffer.size());
        engine.Process(buffer);
        benchmark::DoNotOptimize(buffer.data());
    }
    SetRealtime(state);
}
BENCHMARK(BM_EngineOwnProcessing);

// Argument: -1 the card without the filter; else the filter's ProcMode.
void BM_WriteRequest(benchmark::State& state)
{
    const std::vector<std::uint8_t> programme = Programme();
    std::vector<std::uint8_t> buffer(programme.size());
    Machine machine;
    const bool plain = state.range(0) < 0;
    if (!machine.Ready() || (!plain && !machine.SetProcMode(static_cast<ULONG>(state.range(0))))) {
        state.SkipWithError("the machine did not come up with the filter's ProcMode set");
        return;
    }
    state.SetLabel(plain ? "card only" : state.range(0) == 0 ? "filter, VYO HD"
                                       : state.range(0) == 1 ? "filter, KOVA"
                                                             : "filter, off");
    HANDLE pin = plain ? machine.PlainPin() : machine.FilteredPin();
    for (auto _ : state) {
        std::memcpy(buffer.data(), programme.data(), buffer.size());
        if (!machine.Write(pin, buffer)) {
            state.SkipWithError("the write failed");
            break;
        }
    }
    SetRealtime(state);
}
BENCHMARK(BM_WriteRequest)->Arg(-1)->Arg(2)->Arg(0)->Arg(1);

// Per iteration, interleaved so that load on the machine falls on all
// three alike: the engine's own processing (E), a request through the
// filter with ProcMode off (F: everything the filter does to a request but
// the engine's work) and one through the card alone (C). The filter adds
// F - C to the engine's E.
void BM_FilterAddedCost(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const std::vector<std::uint8_t> programme = Programme();
    std::vector<std::uint8_t> buffer(programme.size());
    Machine machine;
    if (!machine.Ready() || !machine.SetProcMode(VYOFILTER_PROCMODE_OFF)) {
        state.SkipWithError("the machine did not come up with the filter's ProcMode set");
        return;
    }
    EngineStream engine;
    Clock::duration engineTime{}, filteredTime{}, plainTime{};
    for (auto _ : state) {
        std::memcpy(buffer.data(), programme.data(), buffer.size());
        auto start = Clock::now();
        engine.Process(buffer);
        engineTime += Clock::now() - start;

        start = Clock::now();
        const bool filteredWritten = machine.Write(machine.FilteredPin(), buffer);
        filteredTime += Clock::now() - start;

        start = Clock::now();
        const bool plainWritten = machine.Write(machine.PlainPin(), buffer);
        plainTime += Clock::now() - start;
        if (!filteredWritten || !plainWritten) {
            state.SkipWithError("the write failed");
            break;
        }
    }
    if (state.error_occurred()) {
        return;
    }
    const double n = static_cast<double>(state.iterations());
    const double engineNs = std::chrono::duration<double, std::nano>(engineTime).count() / n;
    const double addedNs = std::chrono::duration<double, std::nano>(filteredTime - plainTime).count() / n;
    state.counters["engine_ns"] = engineNs;
    state.counters["filter_added_ns"] = addedNs;
    state.counters["added_percent"] = 100.0 * addedNs / engineNs;
}
BENCHMARK(BM_FilterAddedCost);

}  // namespace
