#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "elevo_tables.h"
#include "engine_fixture.h"
#include "sim/sync.h"
#include "test_signals.h"

namespace {

using namespace vyohd;

using vyohd_test::Engine;
using vyohd_test::EngineTest;
using vyohd_test::Process16;

using StreamTest = EngineTest;

std::vector<UCHAR> Bytes(std::initializer_list<unsigned> values)
{
    std::vector<UCHAR> bytes;
    for (unsigned v : values) {
        bytes.push_back(static_cast<UCHAR>(v));
    }
    return bytes;
}

std::vector<UCHAR> Le(std::int64_t value, int bytes)
{
    std::vector<UCHAR> out;
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<UCHAR>(static_cast<std::uint64_t>(value) >> (8 * i)));
    }
    return out;
}

std::vector<UCHAR> Frame(std::int64_t left, std::int64_t right, int bytes)
{
    std::vector<UCHAR> frame = Le(left, bytes);
    const std::vector<UCHAR> r = Le(right, bytes);
    frame.insert(frame.end(), r.begin(), r.end());
    return frame;
}

std::vector<UCHAR> PatternBytes(std::size_t count)
{
    std::vector<UCHAR> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<UCHAR>(i * 131 + 7);
    }
    return bytes;
}

// The bypass is the frame's plain arithmetic: normalize (with the dither,
// below resolution here), scale, convert back with truncation and clamping.
TEST_F(StreamTest, bypass_arithmetic_at_every_sample_width)
{
    struct Case {
        std::string what;
        USHORT bits;
        ULONG mode;
        float gain;
        std::vector<UCHAR> in;
        std::vector<UCHAR> expected;
    };
    const std::vector<Case> cases = {
        {"16-bit 1000 at gain 0.5 becomes 499", 16, 2, 0.5f, Frame(1000, -1000, 2), Frame(499, -499, 2)},
        {"16-bit -32768 at unity becomes -32767", 16, 2, 1.0f, Frame(-32768, 32767, 2), Frame(-32767, 32766, 2)},
        {"16-bit mode 0 carries the scaled sum on both", 16, 0, 0.5f, Frame(1000, 3000, 2), Frame(1999, 1999, 2)},
        {"8-bit full-scale negative gives 1, silence stays 128", 8, 2, 1.0f, Bytes({0, 128}), Bytes({1, 128})},
        {"8-bit positive full scale", 8, 2, 1.0f, Bytes({255, 192}), Bytes({254, 191})},
        {"24-bit is clamped at full scale", 24, 2, 2.0f, Frame(0x7FFFFF, -0x400000, 3), Frame(0x7FFFFF, -0x7FFFFF, 3)},
        {"24-bit half scale", 24, 2, 1.0f, Frame(0x400000, -0x200000, 3), Frame(4194303, -2097151, 3)},
        {"32-bit full scale does not overflow", 32, 2, 2.0f, Frame(0x40000000, -0x40000000, 4),
         Frame(2147483647, -2147483647, 4)},
    };
    for (const Case& c : cases) {
        Engine engine;
        engine.Format(2, c.bits);
        engine.Bypass(c.mode, c.gain);
        std::vector<UCHAR> buffer = c.in;
        engine.stream->ProcessInPlace(buffer.data(), static_cast<ULONG>(buffer.size()));
        EXPECT_EQ(buffer, c.expected) << c.what;
    }
}

TEST_F(StreamTest, only_the_first_two_samples_of_whole_frames_are_written)
{
    Engine engine;
    engine.Format(6, 16);
    engine.Bypass(2, 0.5f);
    std::vector<std::int16_t> in;
    for (int frame = 0; frame < 40; ++frame) {
        for (int channel = 0; channel < 6; ++channel) {
            in.push_back(static_cast<std::int16_t>(1000 * (channel + 1) + frame));
        }
    }
    const std::vector<std::int16_t> out = Process16(engine.stream, in);
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::size_t channel = i % 6;
        if (channel < 2) {
            ASSERT_EQ(out[i], static_cast<std::int16_t>((in[i] / 32768.0f) * 0.5f * 32767.0f)) << "sample " << i;
        } else {
            ASSERT_EQ(out[i], in[i]) << "sample " << i << " is beyond the stereo pair";
        }
    }

    // 10 bytes of 16-bit stereo: two frames and half of a third.
    Engine stereo;
    stereo.Format(2, 16);
    stereo.Bypass(2, 0.5f);
    const std::vector<std::int16_t> tenBytes = {2000, 2000, 4000, 4000, 6000};
    std::vector<std::int16_t> buffer = tenBytes;
    stereo.stream->ProcessInPlace(reinterpret_cast<PUCHAR>(buffer.data()), 10);
    EXPECT_EQ(buffer, (std::vector<std::int16_t>{999, 999, 1999, 1999, 6000}));
}

TEST_F(StreamTest, buffers_without_a_stereo_pair_or_with_an_unknown_width_pass_unchanged)
{
    struct Case {
        std::string what;
        USHORT channels;
        USHORT bits;
    };
    const Case cases[] = {
        {"mono", 1, 16},
        {"mono 8-bit", 1, 8},
        {"a format without channels", 0, 16},
        {"12-bit samples", 2, 12},
        {"no sample width", 2, 0},
        {"64-bit samples", 2, 64},
    };
    for (const Case& c : cases) {
        for (UCHAR enable : {0, 1}) {
            Engine engine;
            engine.Format(c.channels, c.bits);
            engine.manager->SetEnable(enable);
            const std::vector<UCHAR> in = PatternBytes(4096);
            std::vector<UCHAR> buffer = in;
            engine.stream->ProcessInPlace(buffer.data(), static_cast<ULONG>(buffer.size()));
            EXPECT_EQ(buffer, in) << c.what << ", enable " << int(enable);

            std::vector<float> floats(64, 1234.0f);
            std::vector<float> out(64, -1.0f);
            engine.stream->ProcessFloat(floats.data(), 16, out.data(), 0);
            EXPECT_EQ(out, std::vector<float>(64, -1.0f)) << c.what << " on the float path";
        }
    }
}

TEST_F(StreamTest, float_path_works_on_the_integer_scale_and_writes_only_the_pair)
{
    Engine engine;
    engine.Format(3, 16);
    engine.Bypass(2, 0.5f);
    const std::vector<float> in = {1000.0f, -32768.0f, 77.0f, 40000.0f, 0.0f, 5.0f};
    std::vector<float> out(in.size(), -7.0f);
    engine.stream->ProcessFloat(in.data(), 2, out.data(), 0xDEADBEEF);
    EXPECT_NEAR(out[0], 1000.0f * 0.5f * 32767.0f / 32768.0f, 1e-3f);
    EXPECT_NEAR(out[1], -0.5f * 32767.0f, 1e-3f);
    EXPECT_EQ(out[2], -7.0f);
    EXPECT_NEAR(out[3], 0.5f * 40000.0f / 32768.0f * 32767.0f, 1e-2f);
    EXPECT_NEAR(out[4], 0.0f, 1e-3f);
    EXPECT_EQ(out[5], -7.0f);
}

// The stream keeps its filter memory and its dither sequence from buffer to
// buffer: how a player splits the audio must not change a single sample.
TEST_F(StreamTest, output_does_not_depend_on_how_the_audio_is_split_into_buffers)
{
    std::vector<std::int16_t> programme;
    const std::vector<float> left = vyohd_test::Sine(70.0, 48000.0, 4800, 0.6f);
    const std::vector<float> right = vyohd_test::Noise(4800, 10, 0.4f);
    for (std::size_t i = 0; i < left.size(); ++i) {
        programme.push_back(static_cast<std::int16_t>(left[i] * 32767.0f));
        programme.push_back(static_cast<std::int16_t>(right[i] * 32767.0f));
    }

    Engine whole(77);
    whole.Format(2, 16);
    const std::vector<std::int16_t> expected = Process16(whole.stream, programme);
    EXPECT_NE(expected, programme);

    Engine pieces(77);
    pieces.Format(2, 16);
    std::vector<std::int16_t> split = programme;
    const std::size_t pieceFrames[] = {1, 7, 16, 17, 480, 3};
    std::size_t frame = 0;
    for (std::size_t i = 0; frame < programme.size() / 2; ++i) {
        const std::size_t n = std::min(pieceFrames[i % 6], programme.size() / 2 - frame);
        pieces.stream->ProcessInPlace(reinterpret_cast<PUCHAR>(split.data() + 2 * frame), static_cast<ULONG>(n * 4));
        frame += n;
    }
    EXPECT_EQ(split, expected);
}

TEST_F(StreamTest, processing_allocates_nothing_and_takes_no_lock)
{
    Engine engine;
    engine.Format(2, 24, 44100);
    std::vector<UCHAR> buffer = PatternBytes(3 * 2 * 48000);
    std::vector<float> floats(2 * 4800, 1000.0f);
    const auto allocations = sim::pool::AllocationCalls();
    const auto waits = sim::sync::WaitCalls();
    const auto releases = sim::sync::MutexReleases();
    const auto saves = sim::fpu::SaveCalls();

    engine.stream->ProcessInPlace(buffer.data(), static_cast<ULONG>(buffer.size()));
    engine.stream->ProcessFloat(floats.data(), 4800, floats.data(), 0);

    EXPECT_EQ(sim::pool::AllocationCalls(), allocations);
    EXPECT_EQ(sim::sync::WaitCalls(), waits);
    EXPECT_EQ(sim::sync::MutexReleases(), releases);
    EXPECT_EQ(sim::fpu::SaveCalls(), saves) << "the caller saves the floating-point state";
}

TEST_F(StreamTest, set_format_selects_the_rate_class_and_clears_all_filter_memory)
{
    Engine engine;
    engine.Format(2, 16, 48000);
    std::vector<UCHAR> programme = PatternBytes(4 * 4800);
    engine.stream->ProcessInPlace(programme.data(), static_cast<ULONG>(programme.size()));
    VYOHDStateBlock& state = *engine.StreamContext().stateBlock;
    ASSERT_NE(state.nitidaLeft.s[0], 0.0f);

    struct Case {
        ULONG samplesPerSec;
        RateClass rateClass;
    };
    const Case cases[] = {{9391, RateClass8000}, {9392, RateClass11025}, {44100, RateClass44100},
                          {200000, RateClass96000}};
    for (const Case& c : cases) {
        engine.Format(2, 16, c.samplesPerSec);
        EXPECT_EQ(state.elevoLeft.set, &kElevoSets[c.rateClass].set) << c.samplesPerSec << " Hz";
    }
    EXPECT_EQ(state.nitidaLeft.s[0], 0.0f);
    EXPECT_EQ(state.qel3d.perspective[0], 0.0f);
    EXPECT_EQ(state.subvia.detector.gain, 0.0f);
    EXPECT_EQ(state.limiter.gain, 1.0f);
}

TEST_F(StreamTest, a_format_change_that_cannot_save_the_floating_point_state_changes_nothing)
{
    Engine engine;
    engine.Format(2, 16);
    engine.Bypass(2, 0.5f);
    sim::fpu::FailNextSaves(1, STATUS_ILLEGAL_FLOAT_CONTEXT);
    const WAVEFORMATEX mono8 = vyohd_test::PcmFormat(1, 8);
    EXPECT_EQ(engine.stream->SetFormat(&mono8), STATUS_ILLEGAL_FLOAT_CONTEXT);
    EXPECT_EQ(Process16(engine.stream, {1000, 1000}), (std::vector<std::int16_t>{499, 499}))
        << "still 16-bit stereo";
    EXPECT_EQ(engine.stream->SetFormat(nullptr), STATUS_INVALID_PARAMETER);
}

}  // namespace
