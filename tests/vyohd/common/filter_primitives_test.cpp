#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "filter_primitives.h"

namespace {

constexpr int kLength = 40;

// The impulse response of a rational transfer function, by its own
// recursion in double precision: h[k] = b[k] - sum a[j] h[k - j].
std::vector<double> ClosedFormImpulse(std::vector<double> b, std::vector<double> a)
{
    std::vector<double> h(kLength, 0.0);
    for (int k = 0; k < kLength; ++k) {
        double v = k < static_cast<int>(b.size()) ? b[k] : 0.0;
        for (int j = 1; j < static_cast<int>(a.size()) && j <= k; ++j) {
            v -= a[j] * h[k - j];
        }
        h[k] = v;
    }
    return h;
}

struct FormCase {
    std::string name;
    // Runs the form over x (an impulse) in blocks of `block` samples.
    std::function<void(std::vector<float>& x, int block)> run;
    std::vector<double> numerator;    // b0, b1, b2
    std::vector<double> denominator;  // 1, a1, a2
};

const BiquadCoefficients kBiquad{{0.2f, 0.9f, 0.3f, -0.4f, 0.1f}};
const FirstOrderCoefficients kFirstOrder{{0.6f, 0.7f, -0.2f}};
const PhaseCoefficients kPhase{{-0.55f, 0.55f}};
const OnePoleCoefficients kOnePole{0.05f, 0.9f};
const BandpassCoefficients kBandpass{0.01f, 1.9f, -0.95f};

std::vector<FormCase> FormCases()
{
    return {
        {"Biquad",
         [](std::vector<float>& x, int block) {
             Biquad f{&kBiquad, 0, 0};
             for (int i = 0; i < kLength; i += block) f.Process(&x[i], &x[i], block);
         },
         {0.2, 0.3, 0.1}, {1.0, -0.9, 0.4}},
        {"FirstOrderSection",
         [](std::vector<float>& x, int block) {
             FirstOrderSection f{&kFirstOrder, 0};
             for (int i = 0; i < kLength; i += block) f.Process(&x[i], block);
         },
         {0.6, -0.2}, {1.0, -0.7}},
        {"PhaseSectionA",
         [](std::vector<float>& x, int block) {
             PhaseSectionA f{&kPhase, 0};
             for (int i = 0; i < kLength; i += block) f.Process(&x[i], block);
         },
         {-0.55, 1.0}, {1.0, -0.55}},
        {"PhaseSectionB",
         [](std::vector<float>& x, int block) {
             PhaseSectionB f{&kPhase, 0};
             for (int i = 0; i < kLength; i += block) f.Process(&x[i], block);
         },
         {-0.55, -1.0}, {1.0, -0.55}},
        {"OnePoleLowpass",
         [](std::vector<float>& x, int block) {
             OnePoleLowpass f{&kOnePole, 0};
             for (int i = 0; i < kLength; i += block) f.Process(&x[i], block);
         },
         {0.05, 0.05}, {1.0, -0.9}},
        {"BandpassSection",
         [](std::vector<float>& x, int block) {
             BandpassSection f{&kBandpass, 0, 0};
             for (int i = 0; i < kLength; i += block) f.Process(&x[i], &x[i], block);
         },
         {0.01, 0.0, -0.01}, {1.0, -1.9, 0.95}},
    };
}

std::vector<float> Impulse()
{
    std::vector<float> x(kLength, 0.0f);
    x[0] = 1.0f;
    return x;
}

TEST(FilterPrimitives, impulse_responses_match_their_transfer_functions)
{
    for (const FormCase& form : FormCases()) {
        std::vector<float> x = Impulse();
        form.run(x, 8);
        const std::vector<double> h = ClosedFormImpulse(form.numerator, form.denominator);
        for (int k = 0; k < kLength; ++k) {
            EXPECT_NEAR(x[k], h[k], 1e-6 * (1.0 + std::fabs(h[k])))
                << form.name << " sample " << k;
        }
    }
}

TEST(FilterPrimitives, state_carries_across_blocks_bit_for_bit)
{
    for (const FormCase& form : FormCases()) {
        std::vector<float> whole = Impulse();
        std::vector<float> blocked = Impulse();
        form.run(whole, kLength);
        form.run(blocked, 4);
        EXPECT_EQ(whole, blocked) << form.name;
    }
}

TEST(FilterPrimitives, a_zero_or_negative_count_touches_nothing)
{
    for (LONG n : {0, -1, -16}) {
        float in[2] = {0.5f, -0.25f};
        float out[2] = {7.0f, 8.0f};
        float x[2] = {0.5f, -0.25f};

        Biquad biquad{&kBiquad, 0.125f, -0.5f};
        biquad.Process(in, out, n);
        EXPECT_EQ(out[0], 7.0f);
        EXPECT_EQ(biquad.s0, 0.125f);
        EXPECT_EQ(biquad.s1, -0.5f);

        BandpassSection bandpass{&kBandpass, 0.25f, 0.75f};
        bandpass.Process(in, out, n);
        EXPECT_EQ(out[1], 8.0f);
        EXPECT_EQ(bandpass.s0, 0.25f);
        EXPECT_EQ(bandpass.s1, 0.75f);

        FirstOrderSection first{&kFirstOrder, 0.3f};
        PhaseSectionA phaseA{&kPhase, 0.3f};
        PhaseSectionB phaseB{&kPhase, 0.3f};
        OnePoleLowpass lowpass{&kOnePole, 0.3f};
        first.Process(x, n);
        phaseA.Process(x, n);
        phaseB.Process(x, n);
        lowpass.Process(x, n);
        EXPECT_EQ(x[0], 0.5f);
        EXPECT_EQ(x[1], -0.25f);
        EXPECT_EQ(first.s + phaseA.s + phaseB.s + lowpass.s, 1.2f);
    }
}

TEST(FilterPrimitives, identity_biquad_copies_input_and_keeps_a_zero_state)
{
    const BiquadCoefficients identity{{1, 0, 0, 0, 0}};
    Biquad f{&identity, 0, 0};
    const float in[5] = {0.1f, -1.0f, 3.0f, 1e-20f, -0.0f};
    float out[5] = {};
    f.Process(in, out, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(out[i], in[i]);
    }
    EXPECT_EQ(in[2], 3.0f) << "a separate output array leaves the input alone";
    EXPECT_EQ(f.s0, 0.0f);
    EXPECT_EQ(f.s1, 0.0f);
}

TEST(FilterPrimitives, phase_section_a_with_c0_equal_minus_c1_is_an_all_pass)
{
    const float k = 0.3f;
    const PhaseCoefficients allPass{{k, -k}};
    PhaseSectionA f{&allPass, 0};
    std::vector<float> x(4096, 0.0f);
    x[0] = 1.0f;
    f.Process(x.data(), static_cast<LONG>(x.size()));

    const float second = 1.0f - k * k;
    EXPECT_FLOAT_EQ(x[0], k);
    EXPECT_FLOAT_EQ(x[1], second);
    EXPECT_FLOAT_EQ(x[2], -k * second);

    // Unit gain at every frequency: the response carries the impulse's energy.
    double energy = 0;
    for (float v : x) {
        energy += static_cast<double>(v) * v;
    }
    EXPECT_NEAR(energy, 1.0, 1e-6);
}

}  // namespace
