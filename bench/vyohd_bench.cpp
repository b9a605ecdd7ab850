// Cost of the VYO HD engine: ProcessInPlace for 16- and 24-bit stereo with
// the default parameters, and each stage alone over 16-frame blocks.
// Items are frames, so items_per_second reads as frames per second;
// "realtime" is how many seconds of audio one second of one core processes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effect_chain.h"
#include "sim/status.h"
#include "vyohd_context.h"
#include "vyohd_interface.h"

namespace {

using namespace vyohd;

constexpr int kBufferFrames = 480;

// A programme with a bass line, a mid tone and noise, different per side.
std::vector<float> Programme(int frames, int channel)
{
    std::vector<float> x(frames);
    std::uint32_t seed = 12345u + channel;
    for (int i = 0; i < frames; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
        x[i] = 0.35f * std::sin(2.0f * 3.14159265f * (55.0f + 20.0f * channel) * i / 48000.0f) +
               0.2f * std::sin(2.0f * 3.14159265f * 1100.0f * i / 48000.0f) + 0.1f * noise;
    }
    return x;
}

void SetRealtime(benchmark::State& state, double frames, double rateHz)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(frames));
    state.counters["realtime"] = benchmark::Counter(frames / rateHz, benchmark::Counter::kIsRate);
}

void BM_ProcessInPlace(benchmark::State& state)
{
    const USHORT bits = static_cast<USHORT>(state.range(0));
    const ULONG rate = static_cast<ULONG>(state.range(1));
    const ULONG bytes = bits / 8;
    sim::SeedRandom(1);
    VYOHDManager* manager = CreateVYOHDManager3();
    VYOHDStream* stream = manager->CreateStream();
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    stream->SetFormat(&format);

    // One 10 ms buffer, restored before every pass, so every pass sees the
    // same programme (the copy costs well under a percent of the pass).
    const std::vector<float> left = Programme(kBufferFrames, 0);
    const std::vector<float> right = Programme(kBufferFrames, 1);
    std::vector<UCHAR> pristine(kBufferFrames * 2 * bytes);
    const double scale = std::ldexp(1.0, bits - 1) - 1.0;
    for (int i = 0; i < kBufferFrames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const auto value = static_cast<std::int64_t>((c == 0 ? left[i] : right[i]) * scale);
            for (ULONG b = 0; b < bytes; ++b) {
                pristine[(2 * i + c) * bytes + b] = static_cast<UCHAR>(static_cast<std::uint64_t>(value) >> (8 * b));
            }
        }
    }
    std::vector<UCHAR> buffer = pristine;
    for (auto _ : state) {
        std::memcpy(buffer.data(), pristine.data(), buffer.size());
        stream->ProcessInPlace(buffer.data(), static_cast<ULONG>(buffer.size()));
        benchmark::ClobberMemory();
    }
    SetRealtime(state, static_cast<double>(state.iterations()) * kBufferFrames, rate);
    stream->Release();
    manager->Release();
}

// One stream's context and state at 48 kHz, with the default parameters.
struct Stages {
    VYOHDContext context;
    VYOHDStateBlock state;
    ProcessBlock block;
    std::vector<float> left = Programme(kBufferFrames, 0);
    std::vector<float> right = Programme(kBufferFrames, 1);

    Stages()
    {
        context.Initialize();
        context.inputGain.Store(1.0f);
        context.Reinitialize(RateClass48000, &state);
        context.subvia.SetCompensation(4.0f);
    }

    // Runs body over the programme in 16-frame blocks, from fresh copies.
    template <typename Body>
    void Blocks(Body body)
    {
        for (int start = 0; start < kBufferFrames; start += kProcessBlockFrames) {
            std::memcpy(block.left, &left[start], sizeof(block.left));
            std::memcpy(block.right, &right[start], sizeof(block.right));
            body(block, kProcessBlockFrames);
            benchmark::ClobberMemory();
        }
    }
};

template <typename Body>
void RunStage(benchmark::State& state, Body body)
{
    Stages stages;
    for (auto _ : state) {
        stages.Blocks([&](ProcessBlock& b, LONG n) { body(stages.context, b, n); });
    }
    SetRealtime(state, static_cast<double>(state.iterations()) * kBufferFrames, 48000.0);
}

void BM_Stage_Frame(benchmark::State& state)
{
    RunStage(state, [](VYOHDContext& c, ProcessBlock& b, LONG n) { ProcessFrameBlock(c, b, n); });
}

void BM_Stage_Subvia(benchmark::State& state)
{
    RunStage(state, [](VYOHDContext& c, ProcessBlock& b, LONG n) {
        c.subvia.Process(b.left, b.right, b.scratch[0], b.scratch[1], b.scratch[2], n);
    });
}

void BM_Stage_Qel3D(benchmark::State& state)
{
    const ULONG mode = static_cast<ULONG>(state.range(0));
    RunStage(state, [mode](VYOHDContext& c, ProcessBlock& b, LONG n) {
        c.qel3d.SetMode(mode);
        c.qel3d.Process(b.left, b.right, &b.scratch[1], n);
    });
}

void BM_Stage_Nitida(benchmark::State& state)
{
    RunStage(state, [](VYOHDContext& c, ProcessBlock& b, LONG n) {
        c.nitidaLeft.Process(b.left, n);
        c.nitidaRight.Process(b.right, n);
    });
}

void BM_Stage_Elevo(benchmark::State& state)
{
    RunStage(state, [](VYOHDContext& c, ProcessBlock& b, LONG n) {
        c.elevoLeft.Process(b.left, n);
        c.elevoRight.Process(b.right, n);
    });
}

void BM_Stage_Limiter(benchmark::State& state)
{
    RunStage(state, [](VYOHDContext& c, ProcessBlock& b, LONG n) { c.limiter.Process(b.left, b.right, n); });
}

BENCHMARK(BM_ProcessInPlace)->ArgNames({"bits", "rate"})->Args({16, 44100})->Args({16, 48000})->Args({24, 44100})->Args({24, 48000});
BENCHMARK(BM_Stage_Frame);
BENCHMARK(BM_Stage_Subvia);
BENCHMARK(BM_Stage_Qel3D)->ArgName("mode")->DenseRange(0, 3);
BENCHMARK(BM_Stage_Nitida);
BENCHMARK(BM_Stage_Elevo);
BENCHMARK(BM_Stage_Limiter);

}  // namespace
