#include "filter_machine.h"

#include <cmath>

namespace filtertest {

// Everything the filter, the engines and KS allocate, beside the card.
FilterMachine::FilterMachine()
    : CardMachine("vastum-vyofilter-",
                  {"VFsc", "KSDF", "ELI ", "RegL", "VYOm", "VYOp", "VYOC", "VYOS", "KOVA", "KPin", "KSpc"})
{
}

void FilterMachine::InstallCard(const std::vector<std::wstring>& filtersBelow, const std::wstring& instance,
                                bool record)
{
    vcard::CardSetup setup;
    setup.instanceId = instance;
    setup.upperFilters = filtersBelow;
    setup.upperFilters.push_back(L"vyofilter");
    setup.sinkFolder = record ? m_sink : std::filesystem::path();
    ASSERT_EQ(vcard::InstallCard(setup), STATUS_SUCCESS);
}

HANDLE FilterMachine::StartPin(HANDLE filter, const WAVEFORMATEX* wave)
{
    HANDLE pin = CreatePin(filter, wave);
    EXPECT_EQ(ksclient::SetFormat(pin, wave), static_cast<DWORD>(ERROR_SUCCESS));
    for (KSSTATE state : {KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN}) {
        EXPECT_EQ(ksclient::SetState(pin, state), static_cast<DWORD>(ERROR_SUCCESS)) << "state " << state;
    }
    return pin;
}

void FilterMachine::Write(HANDLE pin, Bytes& buffer)
{
    KSSTREAM_HEADER header = ksclient::StreamHeader(buffer.data(), static_cast<ULONG>(buffer.size()));
    const DWORD error = ksclient::Write(pin, &header, 1);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS)) << ksclient::ErrorName(error);
}

DWORD FilterMachine::SetProcMode(HANDLE object, ULONG procMode)
{
    return ksclient::Set(object, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, procMode);
}

ULONG FilterMachine::GetProcMode(HANDLE object)
{
    ULONG procMode = ~0u;
    const DWORD error = ksclient::Get(object, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, &procMode);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS)) << ksclient::ErrorName(error);
    return procMode;
}

std::int32_t SampleAt(const WAVEFORMATEX& format, const Bytes& buffer, std::size_t frame, unsigned channel)
{
    const unsigned bytes = format.wBitsPerSample / 8;
    const std::uint8_t* p = buffer.data() + frame * format.nBlockAlign + channel * bytes;
    if (bytes == 1) {
        return static_cast<std::int32_t>(p[0]) - 128;
    }
    std::uint32_t word = 0;
    for (unsigned i = 0; i < bytes; ++i) {
        word |= static_cast<std::uint32_t>(p[i]) << (8 * i);
    }
    const unsigned shift = 32 - 8 * bytes;
    return static_cast<std::int32_t>(word << shift) >> shift;
}

void SetSampleAt(const WAVEFORMATEX& format, Bytes& buffer, std::size_t frame, unsigned channel, std::int32_t value)
{
    const unsigned bytes = format.wBitsPerSample / 8;
    std::uint8_t* p = buffer.data() + frame * format.nBlockAlign + channel * bytes;
    if (bytes == 1) {
        p[0] = static_cast<std::uint8_t>(value + 128);
        return;
    }
    const auto word = static_cast<std::uint32_t>(value);
    for (unsigned i = 0; i < bytes; ++i) {
        p[i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

Bytes TestSignal(const WAVEFORMATEX& format, std::size_t frames)
{
    Bytes buffer(frames * format.nBlockAlign, 0);
    const double fullScale = std::ldexp(1.0, format.wBitsPerSample - 1) - 1.0;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (unsigned channel = 0; channel < format.nChannels; ++channel) {
            const double hz = 110.0 * (channel + 1) + 17.0;
            const double value = 0.4 * std::sin(2.0 * M_PI * hz * frame / format.nSamplesPerSec);
            SetSampleAt(format, buffer, frame, channel, static_cast<std::int32_t>(std::lround(value * fullScale)));
        }
    }
    return buffer;
}

bool ChannelChanged(const WAVEFORMATEX& format, const Bytes& before, const Bytes& after, unsigned channel)
{
    const std::size_t frames = before.size() / format.nBlockAlign;
    for (std::size_t frame = 0; frame < frames; ++frame) {
        if (SampleAt(format, before, frame, channel) != SampleAt(format, after, frame, channel)) {
            return true;
        }
    }
    return false;
}

}  // namespace filtertest
