#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "kova_test_support.h"
#include "sim/pool.h"
#include "sim/status.h"
#include "sim/sync.h"

namespace {

struct FormatCase {
    ULONG rate;
    USHORT bits;
    USHORT channels;
    ULONG mask;
    NTSTATUS expected;
};

TEST(KOVAStream, set_format_accepts_supported_layouts_and_refuses_the_rest)
{
    const FormatCase cases[] = {
        {48000, 16, 6, 0x3F, STATUS_SUCCESS},
        {48000, 16, 2, 0x3F, STATUS_INVALID_PARAMETER},   // six mask bits, two channels
        {48000, 16, 3, 0x3, STATUS_INVALID_PARAMETER},    // three channels
        {48000, 20, 2, 0x3, STATUS_INVALID_PARAMETER},    // 20 bits
        {48000, 8, 2, 0x3, STATUS_SUCCESS},
        {44100, 24, 4, 0x33, STATUS_SUCCESS},
        {44100, 32, 6, 0x60F, STATUS_SUCCESS},
        {96000, 16, 7, 0x13F, STATUS_SUCCESS},
        {96000, 16, 6, 0x13F, STATUS_INVALID_PARAMETER},  // seven bits, six channels
        {96000, 16, 8, 0x3F, STATUS_SUCCESS},
        {48000, 16, 6, 0x3, STATUS_SUCCESS},              // fewer bits than channels
        {48000, 16, 2, 0x7, STATUS_INVALID_PARAMETER},    // FL FR FC is no supported mask
        {48000, 16, 10, 0x3, STATUS_INVALID_PARAMETER},
        {48000, 0, 2, 0x3, STATUS_INVALID_PARAMETER},
    };
    for (const FormatCase& c : cases) {
        ManagerWithStreams engine;
        KOVAStreamObject* stream = engine.AddStream();
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(sim::StatusName(stream->SetFormat(c.rate, c.bits, c.channels, c.mask)), sim::StatusName(c.expected))
            << c.rate << " Hz, " << c.bits << " bits, " << c.channels << " channels, mask 0x" << std::hex << c.mask;
        EXPECT_EQ(stream->IsFormatted(), c.expected == STATUS_SUCCESS);
    }
}

TEST(KOVAStream, a_refused_format_leaves_the_stream_as_it_was)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(44100, 24, 6, 0x3F);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->SetFormat(96000, 20, 2, 0x3), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(stream->RateClass(), KOVARate44100);
    EXPECT_EQ(stream->BitsPerSample(), 24);
    EXPECT_EQ(stream->Channels(), 6);
    EXPECT_EQ(stream->ChannelMask(), 0x3Fu);
}

TEST(KOVAStream, the_rate_selects_its_class_at_the_bounds)
{
    const struct {
        ULONG rate;
        KOVARateClass rateClass;
    } cases[] = {
        {0, KOVARate32000},      {38527, KOVARate32000}, {38528, KOVARate44100}, {46090, KOVARate44100},
        {46091, KOVARate48000},  {71003, KOVARate48000}, {71004, KOVARate88200}, {92182, KOVARate88200},
        {92183, KOVARate96000},  {192000, KOVARate96000}, {0xFFFFFFFFu, KOVARate96000},
    };
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddStream();
    for (const auto& c : cases) {
        ASSERT_EQ(stream->SetFormat(c.rate, 16, 2, 0x3), STATUS_SUCCESS);
        EXPECT_EQ(stream->RateClass(), c.rateClass) << c.rate << " Hz";
        EXPECT_EQ(stream->State().subviaFront.attack, kSubviaEnvelope[c.rateClass].attack) << c.rate << " Hz";
    }
}

TEST(KOVAStream, a_never_formatted_stream_leaves_every_buffer_untouched)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddStream();
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(stream->SetFormat(48000, 20, 2, 0x3), STATUS_INVALID_PARAMETER);

    std::vector<std::int16_t> pcm = Interleaved16(40, 2, [](ULONG i, ULONG p) { return std::int16_t(i * 100 + p); });
    const auto original = pcm;
    stream->ProcessInPlace(pcm.data(), ULONG(pcm.size() * 2));
    EXPECT_EQ(pcm, original);

    std::vector<float> in(64, 1000.0f), out(64, -5.0f);
    stream->ProcessFloat(in.data(), 32, out.data(), 0);
    EXPECT_EQ(out, std::vector<float>(64, -5.0f));
    stream->ResetState();
    stream->ProcessInPlace(nullptr, 100);
}

TEST(KOVAStream, a_trailing_partial_frame_is_not_touched)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(48000, 16, 2, 0x3);
    std::int16_t pcm[5] = {8000, -8000, 4000, 4000, 0x1234};
    stream->ProcessInPlace(pcm, 10);  // two frames and two bytes
    EXPECT_EQ(pcm[4], 0x1234);
    EXPECT_NE(pcm[0], 8000);

    std::int16_t tiny[2] = {8000, 8000};
    stream->ProcessInPlace(tiny, 3);  // less than one frame
    EXPECT_EQ(tiny[0], 8000);
    EXPECT_EQ(tiny[1], 8000);
}

// Mode 6, OutputMode 0 renders everything into L and R, so positions 2 to 5
// of any buffer that has them are written with silence and positions 6 and
// 7 always are. The 4-channel 0x33 stream shows the write-back map: its
// positions 2 and 3 receive the Ctr and LFE outputs, not Ls and Rs.
TEST(KOVAStream, write_back_follows_the_position_map_whatever_the_mask)
{
    const struct {
        USHORT channels;
        ULONG mask;
    } cases[] = {{4, 0x33}, {6, 0x3}, {6, 0x3F}, {7, 0x3F}, {8, 0x13F}};
    for (const auto& c : cases) {
        ManagerWithStreams engine;
        KOVAStreamObject* stream = engine.AddFormattedStream(48000, 16, c.channels, c.mask);
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(engine.manager->SetKVHDMode(6), STATUS_SUCCESS);
        std::vector<std::int16_t> pcm =
            Interleaved16(64, c.channels, [](ULONG i, ULONG p) { return std::int16_t(((i * 37 + p * 11) % 64) * 300 - 9000); });
        stream->ProcessInPlace(pcm.data(), ULONG(pcm.size() * 2));
        bool frontCarriesSignal = false;
        for (ULONG i = 0; i < 64; ++i) {
            frontCarriesSignal |= pcm[i * c.channels] != 0 && pcm[i * c.channels + 1] != 0;
            for (ULONG p = 2; p < c.channels; ++p) {
                ASSERT_EQ(pcm[i * c.channels + p], 0) << c.channels << " channels, mask 0x" << std::hex << c.mask
                                                      << std::dec << ", frame " << i << ", position " << p;
            }
        }
        EXPECT_TRUE(frontCarriesSignal);

        // With a centre and a subwoofer output, a 4-channel stream's positions
        // 2 and 3 carry Ctr and LFE (mode 8 builds its centre from L + R).
        ASSERT_EQ(engine.manager->SetKVHDMode(8), STATUS_SUCCESS);
        ASSERT_EQ(engine.manager->SetOutputMode(3), STATUS_SUCCESS);
        ASSERT_EQ(stream->SetFormat(48000, 16, c.channels, c.mask), STATUS_SUCCESS);
        pcm = Interleaved16(256, c.channels, [](ULONG i, ULONG p) {
            return std::int16_t(std::lround(12000.0 * std::sin(0.05 * i + p)));
        });
        stream->ProcessInPlace(pcm.data(), ULONG(pcm.size() * 2));
        bool centre = false, lfe = false;
        for (ULONG i = 0; i < 256; ++i) {
            centre |= pcm[i * c.channels + 2] != 0;
            lfe |= pcm[i * c.channels + 3] != 0;
            for (ULONG p = 4; p < c.channels; ++p) {
                ASSERT_EQ(pcm[i * c.channels + p], 0) << "position " << p << " without surround outputs";
            }
        }
        EXPECT_TRUE(centre && lfe) << c.channels << " channels";
    }
}

TEST(KOVAStream, output_mode_7_produces_every_output)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(48000, 16, 6, 0x3F);
    ASSERT_EQ(engine.manager->SetKVHDMode(6), STATUS_SUCCESS);
    ASSERT_EQ(engine.manager->SetOutputMode(7), STATUS_SUCCESS);
    ASSERT_EQ(stream->SetFormat(48000, 16, 6, 0x3F), STATUS_SUCCESS);
    std::vector<std::int16_t> pcm = Interleaved16(256, 6, [](ULONG i, ULONG p) {
        return std::int16_t(std::lround(9000.0 * std::sin(0.02 * i * (p + 1))));
    });
    stream->ProcessInPlace(pcm.data(), ULONG(pcm.size() * 2));
    for (ULONG p = 0; p < 6; ++p) {
        double energy = 0;
        for (ULONG i = 0; i < 256; ++i) {
            energy += std::abs(pcm[i * 6 + p]);
        }
        EXPECT_GT(energy, 256 * 50) << "position " << p << " carries almost nothing";
    }
}

TEST(KOVAStream, bypass_applies_the_input_gain_but_not_the_output_gain)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(48000, 16, 2, 0x3);
    ASSERT_EQ(engine.manager->SetEnable(0), STATUS_SUCCESS);
    ASSERT_EQ(engine.manager->SetOutputGain(0.25f), STATUS_SUCCESS);
    ASSERT_EQ(engine.manager->SetInputGain(0.5f), STATUS_SUCCESS);
    // Mode 8 bypassed, OutputMode 0: L = L + Ls + 0.71 Ctr + LFE with only L present.
    std::int16_t pcm[2] = {10000, -6000};
    stream->ProcessInPlace(pcm, sizeof(pcm));
    EXPECT_EQ(pcm[0], 4999);   // trunc(10000/32768 * 0.5 * 32767)
    EXPECT_EQ(pcm[1], -2999);

    ASSERT_EQ(engine.manager->SetInputGain(1.0f), STATUS_SUCCESS);
    std::int16_t again[2] = {10000, -6000};
    stream->ProcessInPlace(again, sizeof(again));
    EXPECT_EQ(again[0], 9999);
}

TEST(KOVAStream, processing_allocates_nothing_and_takes_no_lock)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(48000, 24, 8, 0x13F);
    ASSERT_EQ(engine.manager->SetOutputMode(7), STATUS_SUCCESS);
    std::vector<unsigned char> pcm(1000 * 8 * 3);
    for (std::size_t k = 0; k < pcm.size(); ++k) {
        pcm[k] = static_cast<unsigned char>(k * 131);
    }
    std::vector<float> in(333 * 8, 1234.0f), out(333 * 8);

    const auto allocations = sim::pool::AllocationCalls();
    const auto waits = sim::sync::WaitCalls();
    const auto releases = sim::sync::MutexReleases();
    stream->ProcessInPlace(pcm.data(), ULONG(pcm.size()));
    stream->ProcessFloat(in.data(), 333, out.data(), 0);
    stream->ResetState();
    EXPECT_EQ(sim::pool::AllocationCalls(), allocations);
    EXPECT_EQ(sim::sync::WaitCalls(), waits);
    EXPECT_EQ(sim::sync::MutexReleases(), releases);
}

TEST(KOVAStream, reset_state_clears_the_history_but_keeps_the_parameters)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(48000, 16, 2, 0x3);
    ASSERT_EQ(engine.manager->SetCrossoverSelect(2), STATUS_SUCCESS);
    std::vector<std::int16_t> pcm = Interleaved16(300, 2, [](ULONG i, ULONG p) { return std::int16_t((i % 50) * 500 - p * 3000); });
    stream->ProcessInPlace(pcm.data(), ULONG(pcm.size() * 2));
    EXPECT_NE(stream->State().core.difference.diffA.s, 0.0f);
    EXPECT_NE(stream->State().subviaFront.envelope, 0.0f);

    stream->ResetState();
    const KOVAState& s = stream->State();
    EXPECT_EQ(s.core.difference.diffA.s, 0.0f);
    EXPECT_EQ(s.core.surround1.surrF.s, 0.0f);
    EXPECT_EQ(s.core.elevo.low.s0, 0.0f);
    EXPECT_EQ(s.subviaFront.envelope, 0.0f);
    EXPECT_EQ(s.subviaFront.bandpass[2].s1, 0.0f);
    EXPECT_EQ(s.output.presence[OutputL].s0, 0.0f);
    EXPECT_EQ(s.output.crossoverLowpass.coefficients, &kCrossoverCoefficients[KOVARate48000].lowpass[2]);
    EXPECT_EQ(s.core.mode.Load(), 8u);
}

// Integer-scaled floats: a 16-bit value of 1000 is 1000.0. The bypassed
// front pair comes back as trunc(x / 32768 * 32768), limited to the 16-bit
// range; the positions past 6 and those the render silences are 0.0.
TEST(KOVAStream, process_float_works_on_the_integer_scale_and_stays_in_range)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(48000, 16, 8, 0x3);
    ASSERT_EQ(engine.manager->SetEnable(0), STATUS_SUCCESS);
    ASSERT_EQ(engine.manager->SetKVHDMode(1), STATUS_SUCCESS);
    // Position 3 is the LFE, which mode 1 carries; the others are absent.
    const float in[2 * 8] = {1000.0f, -1000.5f, 77, 0, 77, 77, 77, 77,
                             40000.0f, -40000.0f, 1, 0, 3, 4, 5, 6};
    float out[2 * 8];
    std::memset(out, 0x7F, sizeof(out));
    stream->ProcessFloat(in, 2, out, 0xDEADBEEF);
    EXPECT_EQ(out[0], 1000.0f);
    EXPECT_EQ(out[1], -1000.0f);
    EXPECT_EQ(out[8], 32767.0f);    // 16-bit range, not 32768
    EXPECT_EQ(out[9], -32768.0f);
    for (int p : {2, 3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15}) {
        EXPECT_EQ(out[p], 0.0f) << "position " << p % 8;
    }
}

}  // namespace
