// The filter's stream tracking and content test on their own, for what no
// client can make the card accept: sample widths and channel counts the
// card refuses, formats without channels, and answers of the wrong size.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <ksmedia.h>
#include <vyofilter_properties.h>

#include "content_test.h"
#include "data_format_query.h"
#include "filter_device.h"
#include "sim/pool.h"
#include "stream_context.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A filter device's engines and one tracked stream, without a machine.
class TrackedStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitializeEngineHost(&m_device.Engines, &m_device);
        CreateEngineManagers(&m_device.Engines);
        ASSERT_TRUE(EngineManagersPresent(&m_device.Engines));
        ASSERT_EQ(AddStreamContext(&m_device.Engines, &m_pin), STATUS_SUCCESS);
    }

    void TearDown() override
    {
        ReleaseEngineHost(&m_device.Engines);
        for (const char* tag : {"VFsc", "VYOm", "VYOp", "VYOC", "VYOS", "KOVA", "KPin"}) {
            EXPECT_EQ(sim::pool::Usage(tag).liveBlocks, 0u) << "blocks of pool tag " << tag << " left";
        }
    }

    void SetFormat(USHORT channels, ULONG rate, USHORT bits)
    {
        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = channels;
        wave.nSamplesPerSec = rate;
        wave.wBitsPerSample = bits;
        wave.nBlockAlign = static_cast<WORD>(channels * (bits / 8));
        wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
        SetStreamFormat(&m_device.Engines, &m_pin, &wave);
    }

    // A write request of one buffer from a kernel-mode requester.
    void WriteStream(std::uint8_t* data, ULONG bytes)
    {
        KSSTREAM_HEADER header{};
        header.Size = sizeof header;
        header.FrameExtent = header.DataUsed = bytes;
        header.Data = data;
        PIRP irp = IoAllocateIrp(1, FALSE);
        IoSetNextIrpStackLocation(irp);
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
        stack->MajorFunction = IRP_MJ_DEVICE_CONTROL;
        stack->FileObject = &m_pin;
        stack->Parameters.DeviceIoControl.IoControlCode = IOCTL_KS_WRITE_STREAM;
        stack->Parameters.DeviceIoControl.OutputBufferLength = sizeof header;
        irp->UserBuffer = &header;
        irp->RequestorMode = KernelMode;
        ProcessWriteStream(&m_device.Engines, irp);
        IoFreeIrp(irp);
    }

    FilterDevice m_device{};
    FILE_OBJECT m_pin{};
};

Bytes Loud(std::size_t bytes)
{
    Bytes buffer(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        buffer[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return buffer;
}

TEST_F(TrackedStream, formats_the_card_would_refuse_pass_unchanged_and_touch_nothing_outside_the_buffer)
{
    const struct {
        const char* name;
        USHORT channels;
        ULONG rate;
        USHORT bits;
    } cases[] = {
        {"20 bits per sample", 2, 48000, 20},
        {"no channels", 0, 48000, 16},
        {"no bits", 2, 48000, 0},
        {"65535 channels of 32 bits", 65535, 48000, 32},
        {"a rate of 0", 6, 0, 8},
        {"4 GHz, 12 channels", 12, 0xFFFFFFFFu, 24},
    };
    for (const auto& c : cases) {
        SetFormat(c.channels, c.rate, c.bits);
        // Bytes around the buffer show a write outside it.
        Bytes guarded = Loud(64 + 1920 + 64);
        const Bytes before = guarded;
        WriteStream(guarded.data() + 64, 1920);
        if (c.channels < 2 || c.bits % 8 != 0 || c.bits == 0) {
            EXPECT_EQ(guarded, before) << c.name << ": nothing processed";
        }
        EXPECT_EQ(Bytes(guarded.begin(), guarded.begin() + 64), Bytes(before.begin(), before.begin() + 64)) << c.name;
        EXPECT_EQ(Bytes(guarded.end() - 64, guarded.end()), Bytes(before.end() - 64, before.end())) << c.name;
    }
}

TEST_F(TrackedStream, an_untracked_file_object_is_not_processed_and_a_closed_pin_leaves_the_list_empty)
{
    FILE_OBJECT other{};
    EXPECT_FALSE(UntrackPin(&m_device.Engines, &other)) << "the tracked pin is still there";
    EXPECT_TRUE(UntrackPin(&m_device.Engines, &m_pin));
    Bytes buffer = Loud(1920);
    const Bytes before = buffer;
    WriteStream(buffer.data(), 1920);
    EXPECT_EQ(buffer, before);
}

// The content test's bounds, sample width by sample width.
TEST(ContentTest, extra_channel_samples_count_as_silent_within_ten_microunits_of_full_scale)
{
    auto frameOf = [](USHORT bits, std::int64_t extra) {
        const unsigned bytes = bits / 8;
        Bytes frame(3 * bytes, 0);
        std::uint64_t word = static_cast<std::uint64_t>(bits == 8 ? extra + 128 : extra);
        for (unsigned i = 0; i < bytes; ++i) {
            frame[2 * bytes + i] = static_cast<std::uint8_t>(word >> (8 * i));
        }
        if (bits == 8) {
            frame[0] = frame[1] = 128;
        }
        return frame;
    };
    const struct {
        USHORT bits;
        std::int64_t silent;  // the largest extra-channel sample that passes, either sign
    } widths[] = {{8, 0}, {16, 0}, {24, 83}, {32, 21474}};
    for (const auto& w : widths) {
        for (const std::int64_t sign : {1, -1}) {
            Bytes frame = frameOf(w.bits, sign * w.silent);
            EXPECT_TRUE(ExtraChannelsAreSilent(frame.data(), static_cast<ULONG>(frame.size()), 3, w.bits))
                << w.bits << " bits, " << sign * w.silent;
            frame = frameOf(w.bits, sign * (w.silent + 1));
            EXPECT_FALSE(ExtraChannelsAreSilent(frame.data(), static_cast<ULONG>(frame.size()), 3, w.bits))
                << w.bits << " bits, " << sign * (w.silent + 1);
        }
    }
    Bytes frame = frameOf(16, 1000);
    EXPECT_TRUE(ExtraChannelsAreSilent(frame.data(), static_cast<ULONG>(frame.size()), 2, 16)) << "stereo passes";
    EXPECT_TRUE(ExtraChannelsAreSilent(frame.data(), static_cast<ULONG>(frame.size()), 1, 16)) << "mono passes";
    EXPECT_FALSE(ExtraChannelsAreSilent(frame.data(), static_cast<ULONG>(frame.size()), 2, 20)) << "20 bits fail";
    EXPECT_FALSE(ExtraChannelsAreSilent(frame.data(), static_cast<ULONG>(frame.size()), 0, 16)) << "no channels";
    EXPECT_TRUE(ExtraChannelsAreSilent(frame.data(), static_cast<ULONG>(frame.size()) - 1, 3, 16))
        << "a partial frame is not examined";
    EXPECT_EQ(__builtin_bit_cast(std::uint32_t, 1.0e-5f), 0x3727C5ACu);
}

// A data format answer is used only when it holds the whole wave format
// its specifier places.
TEST(DataFormatAnswer, a_wave_format_is_found_only_where_the_specifier_puts_it_and_only_whole)
{
    union {
        KSDATAFORMAT format;
        std::uint8_t bytes[kDataFormatAnswerBytes];
    } answer{};
    const ULONG waveEnd = sizeof(KSDATAFORMAT) + sizeof(WAVEFORMATEX);
    const ULONG dsoundEnd = waveEnd + 2 * sizeof(ULONG);
    const struct {
        const GUID* specifier;
        ULONG bytes;
        LONG offset;  // -1: none
    } cases[] = {
        {&KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, waveEnd, 64},
        {&KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, waveEnd - 1, -1},
        {&KSDATAFORMAT_SPECIFIER_DSOUND, dsoundEnd, 72},
        {&KSDATAFORMAT_SPECIFIER_DSOUND, dsoundEnd - 1, -1},
        {&KSDATAFORMAT_SPECIFIER_NONE, kDataFormatAnswerBytes, -1},
        {&KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, sizeof(KSDATAFORMAT) - 1, -1},
    };
    for (const auto& c : cases) {
        answer.format.Specifier = *c.specifier;
        const WAVEFORMATEX* wave = WaveFormatOf(&answer.format, c.bytes);
        const LONG offset = wave == nullptr ? -1 : static_cast<LONG>(reinterpret_cast<const std::uint8_t*>(wave) -
                                                                      answer.bytes);
        EXPECT_EQ(offset, c.offset) << c.bytes << " bytes";
    }
}

}  // namespace
