// Speed of the KOVA engine at 48 kHz: whole ProcessInPlace calls for the
// layouts the filter driver and the command line use, and each stage of
// the frame alone, to show where a block's time goes.
//
// Counters: "frames/s" and "x realtime" (frames per second / 48000). One
// buffer is 480 frames (10 ms), as an audio client typically writes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "interleaved_frames.h"
#include "kova_manager.h"
#include "kova_state.h"
#include "kova_stream.h"
#include "sample_codec.h"

namespace {

constexpr ULONG kRate = 48000;
constexpr ULONG kFramesPerBuffer = 480;

void ReportRate(benchmark::State& state, double framesPerIteration)
{
    state.counters["frames/s"] =
        benchmark::Counter(framesPerIteration, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["x realtime"] =
        benchmark::Counter(framesPerIteration / kRate, benchmark::Counter::kIsIterationInvariantRate);
}

std::vector<unsigned char> Programme(ULONG channels, ULONG bytesPerSample)
{
    std::vector<unsigned char> pcm(kFramesPerBuffer * channels * bytesPerSample);
    for (std::size_t k = 0; k < pcm.size(); ++k) {
        pcm[k] = static_cast<unsigned char>(std::lround(100 * std::sin(0.001 * k)) + (k % 7));
    }
    return pcm;
}

// args: bits per sample, channels, mask, KVHDMode, OutputMode
void BM_ProcessInPlace(benchmark::State& state)
{
    const auto bits = static_cast<USHORT>(state.range(0));
    const auto channels = static_cast<USHORT>(state.range(1));
    const auto mask = static_cast<ULONG>(state.range(2));
    KOVAManagerObject* manager = KOVAManagerObject::Create();
    manager->SetKVHDMode(static_cast<LONG>(state.range(3)));
    manager->SetOutputMode(static_cast<LONG>(state.range(4)));
    KOVAStream* stream = manager->CreateStream();
    if (stream->SetFormat(kRate, bits, channels, mask) != STATUS_SUCCESS) {
        state.SkipWithError("format refused");
    }
    // The same buffer goes round again: the cost of a block does not depend
    // on its samples (the dither keeps the filters out of denormals).
    std::vector<unsigned char> pcm = Programme(channels, bits / 8);
    for (auto _ : state) {
        stream->ProcessInPlace(pcm.data(), static_cast<ULONG>(pcm.size()));
        benchmark::DoNotOptimize(pcm.data());
    }
    ReportRate(state, kFramesPerBuffer);
    stream->Release();
    manager->Release();
}
BENCHMARK(BM_ProcessInPlace)
    ->ArgNames({"bits", "channels", "mask", "mode", "output"})
    ->Args({16, 2, 0x3, 8, 0})
    ->Args({24, 2, 0x3, 8, 0})
    ->Args({16, 6, 0x3F, 6, 0})
    ->Args({24, 6, 0x3F, 6, 0})
    ->Args({16, 6, 0x3F, 6, 7})
    ->Args({24, 6, 0x3F, 6, 7});

// ---------------------------------------------------------------------------
// The stages of one 16-frame block alone, stereo mode 8, OutputMode 0.

struct StageFixture {
    KOVAState state;
    KOVABlock block;
    KOVABlock programme;
    KOVAScratch scratch{};

    StageFixture()
    {
        KOVAParams params{};
        LoadKOVADefaults(&params);
        state = KOVAState{};
        state.Initialize(KOVARate48000, params);
        for (ULONG s = 0; s < kKOVASlotCount; ++s) {
            for (ULONG i = 0; i < kKOVABlockFrames; ++i) {
                programme.slot[s][i] = 0.3f * std::sin(0.05f * float(i + 1) * float(s + 1));
            }
        }
        Refill();
    }

    // A copy of 448 bytes, so the stages see fresh input every block.
    void Refill() { block = programme; }
};

void ReportBlocks(benchmark::State& state)
{
    ReportRate(state, kKOVABlockFrames);
}

void BM_Stage_InputConditioning(benchmark::State& state)
{
    StageFixture f;
    const CoreBlockSettings settings = f.state.core.ReadSettings();
    for (auto _ : state) {
        ConditionInput(1.0f, *settings.layout, f.block, kKOVABlockFrames);
        benchmark::DoNotOptimize(f.block);
    }
    ReportBlocks(state);
}
BENCHMARK(BM_Stage_InputConditioning);

void BM_Stage_SurroundRender(benchmark::State& state)
{
    StageFixture f;
    const CoreBlockSettings settings = f.state.core.ReadSettings();
    for (auto _ : state) {
        RenderVirtualSurround(f.state.core, settings, f.block, f.scratch, kKOVABlockFrames);
        benchmark::DoNotOptimize(f.block);
        f.Refill();
    }
    ReportBlocks(state);
}
BENCHMARK(BM_Stage_SurroundRender);

void BM_Stage_SubviaFront(benchmark::State& state)
{
    StageFixture f;
    for (auto _ : state) {
        f.state.subviaFront.ProcessFront(f.block.slot[SlotL], f.block.slot[SlotR], f.scratch, kKOVABlockFrames);
        benchmark::DoNotOptimize(f.block);
        f.Refill();
    }
    ReportBlocks(state);
}
BENCHMARK(BM_Stage_SubviaFront);

void BM_Stage_OutputStage(benchmark::State& state)
{
    StageFixture f;
    for (auto _ : state) {
        f.state.output.Process(0, f.state.subviaFront, f.state.subviaSub, f.block, f.scratch, kKOVABlockFrames);
        f.state.output.ApplySpeakerGroupGains(f.block, kKOVABlockFrames);
        benchmark::DoNotOptimize(f.block);
        f.Refill();
    }
    ReportBlocks(state);
}
BENCHMARK(BM_Stage_OutputStage);

void BM_Stage_Conversions16(benchmark::State& state)
{
    StageFixture f;
    std::vector<unsigned char> pcm = Programme(2, 2);
    const KOVAChannelLayout* layout = FindKOVAChannelLayout(0x3);
    for (auto _ : state) {
        GatherFrames<Pcm16>(*layout, 2, pcm.data(), kKOVABlockFrames, 1.0f, f.block);
        WriteBackFrames<Pcm16>(f.block, 2, kKOVABlockFrames, 1.0f, pcm.data());
        benchmark::DoNotOptimize(pcm.data());
    }
    ReportBlocks(state);
}
BENCHMARK(BM_Stage_Conversions16);

}  // namespace
