// Cost of each filter form per sample, over the 16-sample blocks the engines
// run. Items processed are samples, so the rate reads as samples per second.
#include <benchmark/benchmark.h>

#include <array>

#include "denormal_register.h"
#include "filter_primitives.h"

namespace {

constexpr LONG kBlock = 16;

std::array<float, kBlock> Noise()
{
    std::array<float, kBlock> x{};
    unsigned seed = 1;
    for (float& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<float>(static_cast<int>(seed >> 8) - (1 << 23)) / static_cast<float>(1 << 23);
    }
    return x;
}

template <typename Form, typename Run>
void RunBlocks(benchmark::State& state, Form form, Run run)
{
    std::array<float, kBlock> x = Noise();
    for (auto _ : state) {
        run(form, x.data());
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

const BiquadCoefficients kBiquad{{0.2f, 1.6f, 0.3f, -0.7f, 0.1f}};
const FirstOrderCoefficients kFirstOrder{{0.6f, 0.7f, -0.2f}};
const PhaseCoefficients kPhase{{-0.55f, 0.55f}};
const OnePoleCoefficients kOnePole{0.05f, 0.9f};
const BandpassCoefficients kBandpass{0.01f, 1.9f, -0.95f};

void BM_Biquad(benchmark::State& state)
{
    RunBlocks(state, Biquad{&kBiquad, 0, 0}, [](Biquad& f, float* x) { f.Process(x, x, kBlock); });
}
void BM_FirstOrderSection(benchmark::State& state)
{
    RunBlocks(state, FirstOrderSection{&kFirstOrder, 0}, [](FirstOrderSection& f, float* x) { f.Process(x, kBlock); });
}
void BM_PhaseSectionA(benchmark::State& state)
{
    RunBlocks(state, PhaseSectionA{&kPhase, 0}, [](PhaseSectionA& f, float* x) { f.Process(x, kBlock); });
}
void BM_PhaseSectionB(benchmark::State& state)
{
    RunBlocks(state, PhaseSectionB{&kPhase, 0}, [](PhaseSectionB& f, float* x) { f.Process(x, kBlock); });
}
void BM_OnePoleLowpass(benchmark::State& state)
{
    RunBlocks(state, OnePoleLowpass{&kOnePole, 0}, [](OnePoleLowpass& f, float* x) { f.Process(x, kBlock); });
}
void BM_BandpassSection(benchmark::State& state)
{
    RunBlocks(state, BandpassSection{&kBandpass, 0, 0}, [](BandpassSection& f, float* x) { f.Process(x, x, kBlock); });
}

void BM_DenormalRegisterStep(benchmark::State& state)
{
    float states[10] = {};
    DenormalRegister<10> reg;
    reg.Reset();
    for (float& s : states) {
        reg.Append(&s);
    }
    for (auto _ : state) {
        reg.Step();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Biquad);
BENCHMARK(BM_FirstOrderSection);
BENCHMARK(BM_PhaseSectionA);
BENCHMARK(BM_PhaseSectionB);
BENCHMARK(BM_OnePoleLowpass);
BENCHMARK(BM_BandpassSection);
BENCHMARK(BM_DenormalRegisterStep);

}  // namespace
