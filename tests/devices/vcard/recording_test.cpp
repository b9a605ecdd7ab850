// The card's output: each pin's recording is a WAV file that a standard
// reader (libsndfile) reads back as exactly what the pin played.

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "card_fixture.h"
#include "sim/clock.h"
#include "sim/machine.h"

namespace vcardtest {
namespace {

using std::chrono::milliseconds;

struct Wav {
    SF_INFO info{};
    std::vector<int> samples;  // as libsndfile reads them: full-scale 32-bit
};

Wav ReadWav(const std::filesystem::path& path)
{
    Wav wav;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &wav.info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (file == nullptr) {
        return wav;
    }
    wav.samples.resize(static_cast<std::size_t>(wav.info.frames * wav.info.channels));
    sf_readf_int(file, wav.samples.data(), wav.info.frames);
    sf_close(file);
    return wav;
}

// The samples libsndfile reads from little-endian PCM bytes.
std::vector<int> SamplesOf(const std::vector<std::uint8_t>& bytes, int bits)
{
    std::vector<int> samples;
    const std::size_t width = static_cast<std::size_t>(bits / 8);
    for (std::size_t i = 0; i + width <= bytes.size(); i += width) {
        std::uint32_t value = 0;
        for (std::size_t b = 0; b < width; ++b) {
            value |= static_cast<std::uint32_t>(bytes[i + b]) << (8 * (b + 4 - width));
        }
        samples.push_back(bits == 8 ? static_cast<int>((value >> 24) - 128u) * (1 << 24) : static_cast<int>(value));
    }
    return samples;
}

std::vector<std::uint8_t> Pattern(std::size_t bytes, unsigned seed)
{
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<std::uint8_t>((i * 7 + seed * 31) % 251);
    }
    return data;
}

class Recordings : public CardMachine {
protected:
    void SetUp() override
    {
        CardMachine::SetUp();
        Install();
        m_filter = OpenFilter();
    }

    // Writes the data as one request of three headers of uneven sizes.
    static void WriteInThreeBuffers(HANDLE pin, std::vector<std::uint8_t>& data, std::size_t blockAlign)
    {
        const std::size_t frames = data.size() / blockAlign;
        const std::size_t first = frames / 5 * blockAlign;
        const std::size_t second = frames / 2 * blockAlign;
        KSSTREAM_HEADER headers[3] = {
            ksclient::StreamHeader(data.data(), static_cast<ULONG>(first)),
            ksclient::StreamHeader(data.data() + first, static_cast<ULONG>(second)),
            ksclient::StreamHeader(data.data() + first + second, static_cast<ULONG>(data.size() - first - second)),
        };
        DWORD written = 0;
        ASSERT_EQ(ksclient::Write(pin, headers, 3, &written), ERROR_SUCCESS);
        EXPECT_EQ(written, data.size()) << "the request reports the bytes it took";
    }

    HANDLE m_filter = INVALID_HANDLE_VALUE;
};

TEST_F(Recordings, a_recording_holds_exactly_what_was_written_in_the_pins_format)
{
    const struct {
        WORD channels;
        DWORD rate;
        WORD bits;
        int subtype;
    } formats[] = {
        {2, 44100, 16, SF_FORMAT_PCM_16},
        {6, 48000, 24, SF_FORMAT_PCM_24},
        {1, 8000, 8, SF_FORMAT_PCM_U8},
    };
    unsigned serial = 0;
    for (const auto& f : formats) {
        const auto format = ksclient::PcmFormat(f.channels, f.rate, f.bits);
        HANDLE pin = CreatePin(m_filter, &format.Format);
        serial += 1;
        std::vector<std::uint8_t> data = Pattern(std::size_t{f.rate} / 10 * format.Format.nBlockAlign, serial);
        WriteInThreeBuffers(pin, data, format.Format.nBlockAlign);
        CloseHandle(pin);

        const auto recordings = vcard::FinishedRecordings();
        ASSERT_EQ(recordings.size(), serial);
        const vcard::Recording& recording = recordings.back();
        EXPECT_EQ(recording.path, vcard::RecordingPath(m_sink, serial, 1));
        EXPECT_EQ(recording.error, "");
        EXPECT_EQ(recording.dataBytes, data.size());
        const Wav wav = ReadWav(recording.path);
        EXPECT_EQ(wav.info.channels, f.channels);
        EXPECT_EQ(wav.info.samplerate, static_cast<int>(f.rate));
        EXPECT_EQ(wav.info.format & SF_FORMAT_SUBMASK, f.subtype) << f.bits << "-bit";
        EXPECT_EQ(wav.samples, SamplesOf(data, f.bits)) << f.channels << " channels, " << f.bits << "-bit";
    }
}

TEST_F(Recordings, a_looped_buffer_is_recorded_pass_after_pass_as_it_was_when_it_played)
{
    sim::clock::UseManualClock(true);
    m_manualClock = true;
    const auto format = ksclient::PcmFormat(2, 48000, 16);
    constexpr std::size_t kBytesPerMs = 192;
    HANDLE pin = CreatePin(m_filter, &format.Format, true);
    std::vector<std::uint8_t> buffer = Pattern(100 * kBytesPerMs, 3);
    const std::vector<std::uint8_t> original = buffer;
    KSSTREAM_HEADER header = ksclient::StreamHeader(buffer.data(), static_cast<ULONG>(buffer.size()), true);
    ASSERT_EQ(ksclient::Write(pin, &header, 1), ERROR_SUCCESS);
    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
    sim::clock::Advance(milliseconds(150));
    EXPECT_EQ(Position(pin).PlayOffset, 50 * kBytesPerMs);
    // The client rewrites the buffer ahead of the play position, as looped clients do.
    std::fill(buffer.begin() + 60 * kBytesPerMs, buffer.end(), 0xAB);
    sim::clock::Advance(milliseconds(50));
    CloseHandle(pin);

    std::vector<std::uint8_t> expected = original;
    expected.insert(expected.end(), original.begin(), original.begin() + 60 * kBytesPerMs);
    expected.insert(expected.end(), buffer.begin() + 60 * kBytesPerMs, buffer.end());
    const auto recordings = vcard::FinishedRecordings();
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(recordings[0].dataBytes, 200 * kBytesPerMs);
    EXPECT_EQ(ReadWav(recordings[0].path).samples, SamplesOf(expected, 16));
}

TEST_F(Recordings, a_new_format_starts_a_new_recording_and_without_a_sink_folder_nothing_is_recorded)
{
    const auto cd = ksclient::PcmFormat(2, 44100, 16);
    const auto dvd = ksclient::PcmFormat(2, 48000, 16);
    HANDLE pin = CreatePin(m_filter, &cd.Format);
    std::vector<std::uint8_t> data = Pattern(4410 * 4, 1);
    WriteInThreeBuffers(pin, data, 4);
    ASSERT_EQ(ksclient::SetFormat(pin, &dvd.Format), ERROR_SUCCESS);
    WriteInThreeBuffers(pin, data, 4);
    CloseHandle(pin);
    auto recordings = vcard::FinishedRecordings();
    ASSERT_EQ(recordings.size(), 2u);
    EXPECT_EQ(recordings[0].path, vcard::RecordingPath(m_sink, 1, 1));
    EXPECT_EQ(ReadWav(recordings[0].path).info.samplerate, 44100);
    EXPECT_EQ(recordings[1].path, vcard::RecordingPath(m_sink, 1, 2));
    EXPECT_EQ(ReadWav(recordings[1].path).info.samplerate, 48000);

    ASSERT_EQ(vcard::ConfigureCard(vcard::kCardInstance, {}, {}), STATUS_SUCCESS);
    pin = CreatePin(m_filter, &cd.Format);
    WriteInThreeBuffers(pin, data, 4);
    CloseHandle(pin);
    EXPECT_EQ(vcard::FinishedRecordings().size(), 2u);
}

TEST_F(Recordings, a_card_installed_in_a_state_folder_plays_again_after_a_reboot)
{
    CloseHandle(m_filter);
    sim::machine::Shutdown();
    ASSERT_TRUE(sim::machine::Boot({m_folder / "state", {}}).registryLoaded);
    const auto devices = ksclient::RenderDevices();
    ASSERT_EQ(devices.size(), 1u);

    const auto format = ksclient::PcmFormat(2, 48000, 16);
    const std::vector<std::uint8_t> programme = Pattern(48000 * 4 / 2 + 4 * 7, 9);  // half a second and 7 frames
    std::string step;
    ASSERT_EQ(ksclient::PlayToFirstRenderDevice(&format.Format, programme.data(), programme.size(), &step),
              ERROR_SUCCESS)
        << step;
    const auto recordings = vcard::FinishedRecordings();
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(ReadWav(recordings[0].path).samples, SamplesOf(programme, 16));
}

TEST_F(Recordings, a_playback_the_card_refuses_says_where_it_failed_and_leaves_nothing_open)
{
    vcard::CardRefusals refusals;
    refusals.states = 1u << KSSTATE_RUN;
    Refuse(refusals);
    const auto format = ksclient::PcmFormat(2, 48000, 16);
    const std::vector<std::uint8_t> programme = Pattern(19200, 2);
    std::string step;
    EXPECT_EQ(ksclient::PlayToFirstRenderDevice(&format.Format, programme.data(), programme.size(), &step),
              ERROR_BAD_COMMAND);
    EXPECT_EQ(step, "set the state 3");
    EXPECT_EQ(m_client->HandleCount(), 1u) << "only the fixture's filter handle is left";
    EXPECT_TRUE(vcard::FinishedRecordings().empty());
}

TEST_F(Recordings, pins_of_several_client_processes_play_side_by_side)
{
    constexpr int kClients = 4;
    constexpr int kBuffers = 20;
    const auto format = ksclient::PcmFormat(2, 48000, 16);
    std::vector<std::thread> clients;
    std::vector<std::vector<std::uint8_t>> played(kClients);
    for (int c = 0; c < kClients; ++c) {
        played[static_cast<std::size_t>(c)] = Pattern(kBuffers * 1920, static_cast<unsigned>(c + 20));
        clients.emplace_back([&, c] {
            sim::ClientProcess process("client " + std::to_string(c));
            sim::ProcessScope scope(process);
            HANDLE filter = ksclient::OpenFilter(ksclient::RenderDevices().at(0));
            HANDLE pin = nullptr;
            ASSERT_EQ(ksclient::CreateRenderPin(filter, &format.Format, false, &pin), ERROR_SUCCESS);
            ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
            auto& data = played[static_cast<std::size_t>(c)];
            for (int b = 0; b < kBuffers; ++b) {
                KSSTREAM_HEADER header = ksclient::StreamHeader(data.data() + b * 1920, 1920);
                EXPECT_EQ(ksclient::Write(pin, &header, 1), ERROR_SUCCESS);
                KSAUDIO_POSITION position{};
                EXPECT_EQ(ksclient::GetPosition(pin, &position), ERROR_SUCCESS);
                EXPECT_LE(position.PlayOffset, position.WriteOffset);
                KSP_NODE node{};
                node.Property = ksclient::MakeProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY,
                                                       KSPROPERTY_TYPE_SET);
                LONG geometry = b % 2 ? KSAUDIO_STEREO_SPEAKER_GEOMETRY_NARROW : KSAUDIO_STEREO_SPEAKER_GEOMETRY_WIDE;
                EXPECT_EQ(ksclient::Property(filter, &node, sizeof node, &geometry, sizeof geometry), ERROR_SUCCESS);
            }
            CloseHandle(pin);
            CloseHandle(filter);
        });
    }
    for (auto& client : clients) {
        client.join();
    }
    auto recordings = vcard::FinishedRecordings();
    ASSERT_EQ(recordings.size(), static_cast<std::size_t>(kClients));
    for (const auto& data : played) {
        const auto expected = SamplesOf(data, 16);
        const bool found = std::any_of(recordings.begin(), recordings.end(), [&](const vcard::Recording& r) {
            return ReadWav(r.path).samples == expected;
        });
        EXPECT_TRUE(found) << "every client's audio is recorded whole";
    }
}

}  // namespace
}  // namespace vcardtest
