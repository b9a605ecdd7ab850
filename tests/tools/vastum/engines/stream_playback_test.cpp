#include "engines/stream_playback.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio_fixtures.h"
#include "command_error.h"
#include "sim/fpu.h"

namespace {

using vastum::Audio;

// Remembers each buffer it was handed, proves the floating-point state was
// saved around it, and marks the buffer's frames with the call's number.
class RecordingStream : public vastum::StreamProcessor {
public:
    void ProcessInPlace(std::span<std::uint8_t> frames) override
    {
        sizes.push_back(frames.size());
        savedDuringCall.push_back(sim::fpu::OutstandingSaves() == 1);
        for (std::uint8_t& byte : frames) {
            byte = static_cast<std::uint8_t>(sizes.size());
        }
    }
    std::vector<std::size_t> sizes;
    std::vector<bool> savedDuringCall;
};

TEST(StreamPlayback, buffers_of_the_requested_size_go_through_one_stream_in_order)
{
    struct BufferCase {
        std::size_t frames;
        std::size_t bufferFrames;
        std::vector<std::size_t> expectedFrames;
    };
    const BufferCase cases[] = {
        {1000, 480, {480, 480, 40}},
        {960, 480, {480, 480}},
        {5, 480, {5}},
        {3, 1, {1, 1, 1}},
        {0, 480, {}},
    };
    for (const BufferCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.frames) + " frames in buffers of " + std::to_string(c.bufferFrames));
        Audio audio = TestAudio(48000, 24, 2, c.frames);  // 6-byte frames
        RecordingStream stream;
        const auto savesBefore = sim::fpu::SaveCalls();

        vastum::PlayThroughStream(stream, audio, c.bufferFrames);

        std::vector<std::size_t> expectedBytes;
        std::vector<std::uint8_t> expectedPcm;
        for (std::size_t i = 0; i < c.expectedFrames.size(); ++i) {
            expectedBytes.push_back(c.expectedFrames[i] * 6);
            expectedPcm.insert(expectedPcm.end(), c.expectedFrames[i] * 6, static_cast<std::uint8_t>(i + 1));
        }
        EXPECT_EQ(stream.sizes, expectedBytes);
        EXPECT_EQ(audio.pcm, expectedPcm) << "each buffer is processed in place, where it lies";
        EXPECT_EQ(stream.savedDuringCall, std::vector<bool>(c.expectedFrames.size(), true));
        EXPECT_EQ(sim::fpu::SaveCalls() - savesBefore, c.expectedFrames.size());
        EXPECT_EQ(sim::fpu::OutstandingSaves(), 0);
    }
}

TEST(StreamPlayback, a_failed_floating_point_save_stops_before_the_engine_runs)
{
    Audio audio = TestAudio(48000, 16, 2, 1000);
    RecordingStream stream;
    sim::fpu::FailNextSaves(1, STATUS_INSUFFICIENT_RESOURCES);
    try {
        vastum::PlayThroughStream(stream, audio, 480);
        ADD_FAILURE() << "playback went on without a saved floating-point state";
    } catch (const vastum::CommandError& error) {
        EXPECT_EQ(std::string(error.what()), "cannot save the floating-point state (STATUS_INSUFFICIENT_RESOURCES)");
    }
    sim::fpu::ClearFaults();
    EXPECT_TRUE(stream.sizes.empty());
    EXPECT_EQ(sim::fpu::OutstandingSaves(), 0);
}

}  // namespace
