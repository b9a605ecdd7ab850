#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "kova_dither.h"
#include "kova_test_support.h"

namespace {

TEST(KOVADither, draws_follow_the_generator_two_advances_at_a_time)
{
    const std::vector<float> expected = UpcomingDither(200);
    KOVADitherRun run(100);
    KOVADitherRun next(100);
    for (std::size_t k = 0; k < 100; ++k) {
        ASSERT_EQ(run.Draw(), expected[k]) << "draw " << k;
    }
    for (std::size_t k = 100; k < 200; ++k) {
        ASSERT_EQ(next.Draw(), expected[k]) << "draw " << k;
    }
}

TEST(KOVADither, the_generator_visits_all_4095_nonzero_words_from_1)
{
    std::set<std::int32_t> seen;
    std::int32_t s = 1;
    do {
        seen.insert(s);
        s = ReferenceDitherAdvance(s);
    } while (s != 1 && seen.size() < 5000);
    EXPECT_EQ(seen.size(), 4095u);
    EXPECT_EQ(AdvanceKOVADither(0x801), ReferenceDitherAdvance(0x801));
}

// Streams on many threads share the generator word. Whatever the
// interleaving, no reservation is lost: after all blocks the word has
// advanced exactly twice per draw made.
TEST(KOVADither, concurrent_streams_share_the_word_without_losing_a_draw)
{
    ManagerWithStreams engine;
    constexpr int kThreads = 4;
    constexpr int kBuffers = 200;
    constexpr ULONG kFrames = 37;  // two full blocks and one of 5 frames
    std::vector<KOVAStreamObject*> streams;
    for (int t = 0; t < kThreads; ++t) {
        streams.push_back(engine.AddFormattedStream(48000, 16, 2, 0x3));
        ASSERT_NE(streams.back(), nullptr);
    }

    std::int32_t expected = KOVADitherWord();
    const ULONG drawsPerBuffer = kKOVASlotCount * kFrames;
    for (long k = 0; k < 2L * drawsPerBuffer * kThreads * kBuffers; ++k) {
        expected = ReferenceDitherAdvance(expected);
    }

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([stream = streams[t], t] {
            std::vector<std::int16_t> pcm(kFrames * 2);
            for (int b = 0; b < kBuffers; ++b) {
                for (std::size_t k = 0; k < pcm.size(); ++k) {
                    pcm[k] = std::int16_t((k * 97 + b * 13 + t) % 4000);
                }
                stream->ProcessInPlace(pcm.data(), ULONG(pcm.size() * 2));
            }
        });
    }
    // Meanwhile the manager changes parameters: the broadcasts race the blocks.
    for (int k = 0; k < 200; ++k) {
        engine.manager->SetHeadphone(k & 1);
        engine.manager->SetSubviaSize(k % 8);
        engine.manager->SetElevoLevel((k % 10) / 10.0f);
        engine.manager->SetOutputMode(k % 8);
        engine.manager->SetCrossoverSelect(k % 4);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(KOVADitherWord(), expected);
}

}  // namespace
