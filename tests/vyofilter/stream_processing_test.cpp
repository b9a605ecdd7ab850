// Played buffers through the filter: processed in place by the engine, in
// the client's own memory, exactly as the engine itself processes them;
// mono and multichannel content with sound beyond the front pair pass
// unchanged; the format a pin plays is learned from its format and state
// changes.

#include <cstring>
#include <functional>

#include <kova_properties.h>

#include "engine_reference.h"
#include "filter_machine.h"
#include "sim/status.h"

namespace filtertest {
namespace {

constexpr unsigned kSeed = 20240607;

std::string Describe(const WAVEFORMATEX& format)
{
    return std::to_string(format.nChannels) + " ch, " + std::to_string(format.nSamplesPerSec) + " Hz, " +
           std::to_string(format.wBitsPerSample) + " bits";
}

class StreamProcessing : public FilterMachine {
protected:
    void SetUp() override
    {
        FilterMachine::SetUp();
        InstallCard();
        m_filter = OpenFilter();
    }

    HANDLE m_filter = INVALID_HANDLE_VALUE;
};

TEST_F(StreamProcessing, played_buffers_are_what_the_vyohd_engine_makes_of_them)
{
    for (const auto& wave : {ksclient::PcmFormat(2, 48000, 16), ksclient::PcmFormat(2, 44100, 24),
                             ksclient::PcmFormat(2, 96000, 32), ksclient::PcmFormat(2, 22050, 8)}) {
        sim::SeedRandom(kSeed);
        HANDLE pin = StartPin(m_filter, &wave.Format);
        const Bytes signal = TestSignal(wave.Format, 960);
        const Bytes expected = VyohdProcessed(&wave.Format, signal, kSeed);
        Bytes first(signal.begin(), signal.begin() + signal.size() / 2);
        Bytes second(signal.begin() + signal.size() / 2, signal.end());
        Write(pin, first);
        Write(pin, second);
        first.insert(first.end(), second.begin(), second.end());
        EXPECT_NE(first, signal) << Describe(wave.Format) << ": processed";
        EXPECT_EQ(first, expected) << Describe(wave.Format) << ": two buffers played as the engine processes them";
        CloseHandle(pin);
    }
}

// ProcMode, read again for every buffer, chooses the engine: 1 the KOVA
// engine while it is enabled, 2 to 6 none, so the audio is bit-identical.
TEST_F(StreamProcessing, procmode_chooses_the_engine_and_the_other_modes_leave_audio_bit_identical)
{
    const WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(2, 48000, 16);
    const Bytes signal = TestSignal(wave.Format, 480);
    const struct {
        ULONG procMode;
        ULONG kovaEnable;
        Bytes expected;
    } cases[] = {
        {1, 1, KovaProcessed(&wave.Format, signal)},
        {1, 0, signal},
        {2, 1, signal},
        {3, 1, signal},
        {6, 1, signal},
    };
    HANDLE pin = StartPin(m_filter, &wave.Format);
    for (const auto& c : cases) {
        ASSERT_EQ(ksclient::Set(m_filter, KSPROPSETID_KOVA, KSPROPERTY_KOVA_ENABLE, c.kovaEnable), 0u);
        ASSERT_EQ(SetProcMode(m_filter, c.procMode), 0u);
        HANDLE fresh = StartPin(m_filter, &wave.Format);
        Bytes played = signal;
        Write(fresh, played);
        EXPECT_EQ(played, c.expected) << "ProcMode " << c.procMode << ", KOVA Enable " << c.kovaEnable;
        CloseHandle(fresh);
    }
    CloseHandle(pin);
}

TEST_F(StreamProcessing, mono_is_never_processed)
{
    const WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(1, 48000, 16);
    HANDLE pin = StartPin(m_filter, &wave.Format);
    const Bytes signal = TestSignal(wave.Format, 480);
    Bytes played = signal;
    Write(pin, played);
    EXPECT_EQ(played, signal);
    CloseHandle(pin);
}

// A 6-channel request is processed (front pair only) while channels 3 to 6
// of its first buffer are silent in the first 12 frames.
TEST_F(StreamProcessing, multichannel_is_processed_only_while_the_extra_channels_start_silent)
{
    const WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(6, 48000, 16);
    const struct {
        const char* name;
        std::size_t frame;    // where a sample of channel 4 is set, in the buffer below
        unsigned buffer;      // 0: the first buffer of the request, 1: the second
        bool processed;
    } cases[] = {
        {"extra channels silent", SIZE_MAX, 0, true},
        {"a sample in frame 1", 0, 0, false},
        {"a sample in frame 12", 11, 0, false},
        {"a sample in frame 13", 12, 0, true},
        {"a sample in the second buffer", 0, 1, true},
    };
    for (const auto& c : cases) {
        HANDLE pin = StartPin(m_filter, &wave.Format);
        Bytes buffers[2];
        for (Bytes& buffer : buffers) {
            buffer = TestSignal(wave.Format, 240);
            for (std::size_t frame = 0; frame < 240; ++frame) {
                for (unsigned channel = 2; channel < 6; ++channel) {
                    SetSampleAt(wave.Format, buffer, frame, channel, 0);
                }
            }
        }
        if (c.frame != SIZE_MAX) {
            SetSampleAt(wave.Format, buffers[c.buffer], c.frame, 3, 1);
        }
        const Bytes before[2] = {buffers[0], buffers[1]};
        KSSTREAM_HEADER headers[2] = {ksclient::StreamHeader(buffers[0].data(), static_cast<ULONG>(buffers[0].size())),
                                      ksclient::StreamHeader(buffers[1].data(), static_cast<ULONG>(buffers[1].size()))};
        EXPECT_EQ(ksclient::Write(pin, headers, 2), static_cast<DWORD>(ERROR_SUCCESS));
        for (unsigned b = 0; b < 2; ++b) {
            EXPECT_EQ(ChannelChanged(wave.Format, before[b], buffers[b], 0), c.processed) << c.name << ", buffer " << b;
            for (unsigned channel = 2; channel < 6; ++channel) {
                EXPECT_FALSE(ChannelChanged(wave.Format, before[b], buffers[b], channel))
                    << c.name << ": channel " << channel + 1 << " is never touched";
            }
        }
        CloseHandle(pin);
    }
}

TEST_F(StreamProcessing, a_24_bit_extra_channel_counts_as_silent_within_83)
{
    const WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(4, 48000, 24);
    for (const std::int32_t sample : {83, -83, 84, -84}) {
        const bool silent = sample == 83 || sample == -83;
        HANDLE pin = StartPin(m_filter, &wave.Format);
        Bytes played = TestSignal(wave.Format, 480);
        for (std::size_t frame = 0; frame < 480; ++frame) {
            SetSampleAt(wave.Format, played, frame, 2, 0);
            SetSampleAt(wave.Format, played, frame, 3, frame == 5 ? sample : 0);
        }
        const Bytes before = played;
        Write(pin, played);
        EXPECT_EQ(ChannelChanged(wave.Format, before, played, 1), silent) << "an extra-channel sample of " << sample;
        CloseHandle(pin);
    }
}

// The pin's real format reaches the filter through a KSPROPERTY_CONNECTION_DATAFORMAT
// set with a wave format, or at KSSTATE_ACQUIRE; until then the stream
// processors keep their initial format (44100 Hz, 16 bits, stereo).
TEST_F(StreamProcessing, the_format_is_learned_from_format_sets_and_at_acquire)
{
    const WAVEFORMATEXTENSIBLE created = ksclient::PcmFormat(2, 48000, 24);
    const WAVEFORMATEXTENSIBLE other = ksclient::PcmFormat(2, 32000, 16);
    auto setDirectSoundFormat = [](HANDLE pin, const WAVEFORMATEX& wave) {
        Bytes format(sizeof(KSDATAFORMAT_DSOUND), 0);
        KSDATAFORMAT_DSOUND dsound{};
        dsound.DataFormat.FormatSize = sizeof(KSDATAFORMAT_DSOUND);
        dsound.DataFormat.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
        dsound.DataFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
        dsound.DataFormat.Specifier = KSDATAFORMAT_SPECIFIER_DSOUND;
        dsound.BufferDesc.WaveFormatEx = wave;
        std::memcpy(format.data(), &dsound, sizeof dsound);
        KSPROPERTY property =
            ksclient::MakeProperty(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT, KSPROPERTY_TYPE_SET);
        return ksclient::Property(pin, &property, sizeof property, format.data(), static_cast<ULONG>(format.size()));
    };
    const struct {
        const char* name;
        std::function<void(HANDLE)> steps;
        const WAVEFORMATEX* learned;  // null: the initial format
    } cases[] = {
        {"nothing learned yet", [](HANDLE) {}, nullptr},
        {"a format set", [&](HANDLE pin) { EXPECT_EQ(ksclient::SetFormat(pin, &other.Format), 0u); }, &other.Format},
        {"acquire", [](HANDLE pin) { EXPECT_EQ(ksclient::SetState(pin, KSSTATE_ACQUIRE), 0u); }, &created.Format},
        {"a DirectSound format set, not yet acquired",
         [&](HANDLE pin) { EXPECT_EQ(setDirectSoundFormat(pin, other.Format), 0u); }, nullptr},
        {"a DirectSound format set, then acquire",
         [&](HANDLE pin) {
             EXPECT_EQ(setDirectSoundFormat(pin, other.Format), 0u);
             EXPECT_EQ(ksclient::SetState(pin, KSSTATE_ACQUIRE), 0u);
         },
         &other.Format},
        {"a format set the card refuses",
         [&](HANDLE pin) {
             EXPECT_EQ(ksclient::SetFormat(pin, &created.Format), 0u);
             EXPECT_NE(ksclient::SetFormat(pin, &other.Format), 0u);
         },
         &created.Format},
    };
    vcard::CardRefusals refusals;
    for (const auto& c : cases) {
        refusals.sampleRate = std::string(c.name) == "a format set the card refuses" ? 32000 : 0;
        Refuse(refusals);
        sim::SeedRandom(kSeed);
        HANDLE pin = CreatePin(m_filter, &created.Format);
        c.steps(pin);
        EXPECT_EQ(ksclient::SetState(pin, KSSTATE_RUN), 0u);
        const Bytes signal = TestSignal(created.Format, 480);
        Bytes played = signal;
        Write(pin, played);
        EXPECT_EQ(played, VyohdProcessed(c.learned, signal, kSeed)) << c.name;
        CloseHandle(pin);
    }
}

// Headers and buffers that are not the client's accessible memory, or
// that do not describe what they claim, never reach the engines: the
// request goes down unprocessed and the card answers it.
TEST_F(StreamProcessing, malformed_client_requests_pass_down_unprocessed)
{
    const WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(2, 48000, 16);
    HANDLE pin = StartPin(m_filter, &wave.Format);
    const Bytes signal = TestSignal(wave.Format, 480);
    ClientPages readOnly(signal.size());
    std::memcpy(readOnly.data(), signal.data(), signal.size());
    readOnly.Protect(PAGE_READONLY);
    ClientPages hidden(4096);
    hidden.Protect(PAGE_NOACCESS);
    ClientPages shortPage(4096);
    std::memcpy(shortPage.data(), signal.data(), signal.size());

    Bytes good = signal;
    const auto size = static_cast<ULONG>(signal.size());
    const struct {
        const char* name;
        KSSTREAM_HEADER second;
        DWORD cardAnswer;
    } cases[] = {
        {"a buffer the client may only read", ksclient::StreamHeader(readOnly.data(), size), ERROR_SUCCESS},
        {"a buffer the client cannot read", ksclient::StreamHeader(hidden.data(), size), ERROR_NOACCESS},
        {"more data than the client's pages hold", ksclient::StreamHeader(shortPage.data(), 4096 + 64),
         ERROR_NOACCESS},
        {"data used without data", ksclient::StreamHeader(nullptr, size), ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        good = signal;
        KSSTREAM_HEADER headers[2] = {ksclient::StreamHeader(good.data(), size), c.second};
        EXPECT_EQ(ksclient::Write(pin, headers, 2), c.cardAnswer) << c.name;
        EXPECT_EQ(good, signal) << c.name << ": the good first buffer is not processed either";
    }
    EXPECT_EQ(std::memcmp(readOnly.data(), signal.data(), signal.size()), 0);

    good = signal;
    KSSTREAM_HEADER header = ksclient::StreamHeader(good.data(), size);
    header.Size += 8;
    EXPECT_NE(ksclient::Write(pin, &header, 1), static_cast<DWORD>(ERROR_SUCCESS)) << "a header of another size";
    EXPECT_EQ(good, signal);

    ClientPages headerPage(4096);
    header = ksclient::StreamHeader(good.data(), size);
    std::memcpy(headerPage.data(), &header, sizeof header);
    headerPage.Protect(PAGE_NOACCESS);
    EXPECT_EQ(ksclient::Write(pin, reinterpret_cast<KSSTREAM_HEADER*>(headerPage.data()), 1),
              static_cast<DWORD>(ERROR_NOACCESS))
        << "headers the client cannot read";
    EXPECT_EQ(good, signal);
    CloseHandle(pin);
}

}  // namespace
}  // namespace filtertest
