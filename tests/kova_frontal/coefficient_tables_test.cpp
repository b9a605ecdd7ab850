// The coefficient tables are transcribed numbers. Each is checked against
// the design it came from, so that a digit typed wrong stands out.
#include <gtest/gtest.h>

#include <cmath>

#include "output_coefficients.h"
#include "subvia_coefficients.h"
#include "virtualizer_coefficients.h"

namespace {

constexpr double kRates[kKOVARateClassCount] = {32000, 44100, 48000, 88200, 96000};
constexpr double kPi = 3.14159265358979323846;

TEST(CoefficientTables, crossover_poles_are_the_mapped_butterworth_poles)
{
    const double cutoffs[kCrossoverCount] = {80, 120, 160, 200};
    for (ULONG r = 0; r < kKOVARateClassCount; ++r) {
        for (ULONG s = 0; s < kCrossoverCount; ++s) {
            const double theta = kPi * std::sqrt(2.0) * cutoffs[s] / kRates[r];
            const double radius = std::exp(-theta);
            const CrossoverRow& row = kCrossoverTable[r][s];
            EXPECT_NEAR(row.a1, 2 * radius * std::cos(theta), 2e-6) << kRates[r] << " Hz, select " << s;
            EXPECT_NEAR(row.a2, -radius * radius, 2e-6) << kRates[r] << " Hz, select " << s;
            // Unity gain at 0 Hz and at half the rate, from the exact poles:
            // 1 + a1 + a2 = 1 - 2 r cos(theta) + r^2, 1 - a1 + a2 = 1 + 2 r cos(theta) + r^2.
            const double lowpass = (1 - 2 * radius * std::cos(theta) + radius * radius) / 4;
            const double highpass = (1 + 2 * radius * std::cos(theta) + radius * radius) / 4;
            EXPECT_NEAR(row.highpassB0, highpass, 2e-6) << kRates[r] << " Hz, select " << s;
            EXPECT_NEAR(row.lowpassB0, lowpass, 3e-4 * lowpass) << kRates[r] << " Hz, select " << s;
        }
    }
}

TEST(CoefficientTables, subvia_bandpasses_match_their_design_within_0_4_percent)
{
    const double cutoffs[kSubviaSizeCount] = {40, 60, 100, 150, 200, 250, 300, 400};
    const double multiples[kSubviaBandpassCount] = {1.0, 1.5, 2.0};
    const double peaks[kSubviaBandpassCount] = {1.41254, 1.18850, 1.0};
    for (ULONG r = 0; r < kKOVARateClassCount; ++r) {
        for (ULONG size = 0; size < kSubviaSizeCount; ++size) {
            for (ULONG j = 0; j < kSubviaBandpassCount; ++j) {
                const double w = 2 * kPi * cutoffs[size] * multiples[j] / kRates[r];
                const double alpha = std::sin(w) / (2 * 2.0);
                const BandpassCoefficients& c = kSubviaBandpass[r][size][j];
                const double g = peaks[j] * alpha / (1 + alpha);
                const double p1 = 2 * std::cos(w) / (1 + alpha);
                const double p2 = -(1 - alpha) / (1 + alpha);
                EXPECT_NEAR(c.g, g, 0.004 * g) << kRates[r] << " Hz, size " << size << ", BP" << j + 1;
                EXPECT_NEAR(c.p1, p1, 0.004 * p1) << kRates[r] << " Hz, size " << size << ", BP" << j + 1;
                EXPECT_NEAR(c.p2, p2, 0.004 * std::abs(p2)) << kRates[r] << " Hz, size " << size << ", BP" << j + 1;
            }
            const DelayedOnePoleCoefficients& lp = kSubviaLowpass[size][r];
            EXPECT_NEAR(lp.g + lp.p, 1.0f, 2e-7f) << kRates[r] << " Hz, size " << size;
            EXPECT_NEAR(lp.p, std::exp(-2 * kPi * 4.67 * cutoffs[size] / kRates[r]), 0.01)
                << kRates[r] << " Hz, size " << size;
        }
    }
}

TEST(CoefficientTables, subvia_envelope_is_1_minus_1_over_10_and_100_ms)
{
    const double perMillisecond[kKOVARateClassCount] = {32, 44.1, 48, 44.1, 44.1};
    for (ULONG r = 0; r < kKOVARateClassCount; ++r) {
        EXPECT_NEAR(kSubviaEnvelope[r].attack, 1 - 1 / (10 * perMillisecond[r]), 1e-7);
        EXPECT_NEAR(kSubviaEnvelope[r].release, 1 - 1 / (100 * perMillisecond[r]), 1e-7);
    }
}

// The filters of the virtualizer are what their text says: the high-passes
// block 0 Hz, the low-passes pass it, the all-pass-like Elevo high-pass has
// a gain of 2 at half the rate.
double FirstOrderGain(const FirstOrderCoefficients& c, double f, double rate)
{
    const double w = 2 * kPi * f / rate;
    const double re = c.c[0] + c.c[2] * std::cos(w), im = -c.c[2] * std::sin(w);
    const double dre = 1 - c.c[1] * std::cos(w), dim = c.c[1] * std::sin(w);
    return std::hypot(re, im) / std::hypot(dre, dim);
}

TEST(CoefficientTables, virtualizer_sections_have_the_responses_they_are_named_for)
{
    for (ULONG r = 0; r < kKOVARateClassCount; ++r) {
        const VirtualizerCoefficients& v = kVirtualizerCoefficients[r];
        const double fs = kRates[r];
        EXPECT_NEAR(FirstOrderGain(v.diffA, 1, fs), 0.0, 0.05) << fs;
        EXPECT_NEAR(FirstOrderGain(v.diffA, 1000, fs), 1.0, 0.01) << fs;
        EXPECT_NEAR(FirstOrderGain(v.diffB, 0, fs), 1.0, 0.01) << fs;
        EXPECT_NEAR(FirstOrderGain(v.diffB, 200, fs), std::sqrt(0.5), 0.08) << fs;
        EXPECT_NEAR(FirstOrderGain(v.diffC, 6500, fs), std::sqrt(0.5), 0.1) << fs;
        EXPECT_NEAR(FirstOrderGain(v.surrF, 0, fs), 1.0, 0.01) << fs;
        EXPECT_NEAR(FirstOrderGain(v.surrE, 0, fs), 1.0, 0.01) << fs;
        EXPECT_NEAR(FirstOrderGain(v.surrD, fs / 2, fs), 1.0, 0.01) << fs;
        EXPECT_NEAR(FirstOrderGain(v.elevoHigh, fs / 2, fs), 2.0, 0.05) << fs;
        EXPECT_NEAR(FirstOrderGain(v.elevoHigh, 1, fs), 0.0, 0.05) << fs;
    }
}

}  // namespace
