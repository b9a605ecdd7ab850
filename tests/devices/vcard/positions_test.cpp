// Play and write positions on the machine's manual clock: a standard
// stream plays what was written at its format's rate and waits when it runs
// out; a looped buffer plays over and over with the play offset inside it.

#include "card_fixture.h"

#include "sim/clock.h"

namespace vcardtest {
namespace {

using std::chrono::milliseconds;

// 48 kHz, 16-bit stereo: 192 bytes per millisecond.
constexpr ULONGLONG kBytesPerMs = 192;

class Positions : public CardMachine {
protected:
    void SetUp() override
    {
        CardMachine::SetUp();
        sim::clock::UseManualClock(true);
        m_manualClock = true;
        Install();
        m_filter = OpenFilter();
    }

    void Write(HANDLE pin, std::vector<std::uint8_t>& data, bool looped = false)
    {
        KSSTREAM_HEADER header = ksclient::StreamHeader(data.data(), static_cast<ULONG>(data.size()), looped);
        ASSERT_EQ(ksclient::Write(pin, &header, 1), ERROR_SUCCESS);
    }

    void ExpectPosition(HANDLE pin, ULONGLONG play, ULONGLONG write, const char* when = "")
    {
        const KSAUDIO_POSITION position = Position(pin);
        EXPECT_EQ(position.PlayOffset, play) << "play offset " << when;
        EXPECT_EQ(position.WriteOffset, write) << "write offset " << when;
    }

    const WAVEFORMATEXTENSIBLE m_format = ksclient::PcmFormat(2, 48000, 16);
    HANDLE m_filter = INVALID_HANDLE_VALUE;
};


TEST_F(Positions, a_standard_stream_plays_what_was_written_and_waits_when_it_runs_out)
{
    HANDLE pin = CreatePin(m_filter, &m_format.Format);
    std::vector<std::uint8_t> hundredMs(100 * kBytesPerMs);
    Write(pin, hundredMs);
    ExpectPosition(pin, 0u, 100 * kBytesPerMs);
    sim::clock::Advance(milliseconds(50));
    ExpectPosition(pin, 0u, 100 * kBytesPerMs, "a stopped pin plays nothing");

    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
    sim::clock::Advance(milliseconds(40));
    ExpectPosition(pin, 40 * kBytesPerMs, 100 * kBytesPerMs);
    sim::clock::Advance(milliseconds(100));
    ExpectPosition(pin, 100 * kBytesPerMs, 100 * kBytesPerMs, "everything written has played");

    std::vector<std::uint8_t> tenMs(10 * kBytesPerMs);
    Write(pin, tenMs);
    sim::clock::Advance(milliseconds(5));
    ExpectPosition(pin, 105 * kBytesPerMs, 110 * kBytesPerMs, "new data plays from when it came");

    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_PAUSE), ERROR_SUCCESS);
    sim::clock::Advance(milliseconds(100));
    ExpectPosition(pin, 105 * kBytesPerMs, 110 * kBytesPerMs, "a paused pin holds its position");
    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_STOP), ERROR_SUCCESS);
    ExpectPosition(pin, 0u, 0u, "a stop starts the stream again");
    CloseHandle(pin);
}

TEST_F(Positions, the_play_position_counts_whole_frames)
{
    const auto cd = ksclient::PcmFormat(2, 44100, 16);
    HANDLE pin = CreatePin(m_filter, &cd.Format);
    std::vector<std::uint8_t> second(44100 * 4);
    Write(pin, second);
    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
    sim::clock::Advance(milliseconds(1));
    EXPECT_EQ(Position(pin).PlayOffset, 44u * 4) << "44.1 frames have played: 44 whole ones";
    sim::clock::Advance(milliseconds(9));
    EXPECT_EQ(Position(pin).PlayOffset, 441u * 4) << "the fractions are not lost";
    CloseHandle(pin);
}

TEST_F(Positions, a_looped_buffer_plays_over_and_over_with_the_play_offset_inside_it)
{
    HANDLE pin = CreatePin(m_filter, &m_format.Format, true);
    std::vector<std::uint8_t> buffer(100 * kBytesPerMs);
    std::vector<std::uint8_t> plain(10 * kBytesPerMs);
    KSSTREAM_HEADER header = ksclient::StreamHeader(plain.data(), static_cast<ULONG>(plain.size()));
    EXPECT_EQ(ksclient::Write(pin, &header, 1), ERROR_INVALID_PARAMETER) << "a looped pin takes looped buffers";

    Write(pin, buffer, true);
    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
    sim::clock::Advance(milliseconds(40));
    ExpectPosition(pin, 40 * kBytesPerMs, 50 * kBytesPerMs, "the card reads 10 ms ahead of what it plays");
    sim::clock::Advance(milliseconds(55));
    ExpectPosition(pin, 95 * kBytesPerMs, 5 * kBytesPerMs, "the write offset wraps first");
    sim::clock::Advance(milliseconds(30));
    ExpectPosition(pin, 25 * kBytesPerMs, 35 * kBytesPerMs);
    sim::clock::Advance(milliseconds(1000));
    ExpectPosition(pin, 25 * kBytesPerMs, 35 * kBytesPerMs, "ten whole passes later");

    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_STOP), ERROR_SUCCESS);
    ExpectPosition(pin, 0u, 0u, "the stop releases the buffer");
    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
    sim::clock::Advance(milliseconds(30));
    ExpectPosition(pin, 0u, 0u, "nothing plays without a buffer");
    Write(pin, buffer, true);
    sim::clock::Advance(milliseconds(30));
    ExpectPosition(pin, 30 * kBytesPerMs, 40 * kBytesPerMs, "a new buffer plays from its start");
    CloseHandle(pin);
}

}  // namespace
}  // namespace vcardtest
