#include "demo/demo_programme.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using vastum::Audio;

struct Channels {
    std::vector<double> left;
    std::vector<double> right;
};

Channels Split(const Audio& audio)
{
    Channels channels;
    for (std::size_t i = 0; i + 3 < audio.pcm.size(); i += 4) {
        channels.left.push_back(static_cast<std::int16_t>(audio.pcm[i] | audio.pcm[i + 1] << 8));
        channels.right.push_back(static_cast<std::int16_t>(audio.pcm[i + 2] | audio.pcm[i + 3] << 8));
    }
    return channels;
}

double Rms(const std::vector<double>& signal)
{
    double sum = 0.0;
    for (double x : signal) {
        sum += x * x;
    }
    return std::sqrt(sum / static_cast<double>(signal.size()));
}

double DecibelsFullScale(double level)
{
    return 20.0 * std::log10(level / 32768.0);
}

std::vector<double> Combine(const Channels& c, double leftGain, double rightGain)
{
    std::vector<double> out(c.left.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = leftGain * c.left[i] + rightGain * c.right[i];
    }
    return out;
}

// Two cascaded one-pole sections: enough to sort the programme's energy
// into bass, middle and treble.
std::vector<double> OnePole(const std::vector<double>& in, double cutoffHz, bool highpass)
{
    const double a = std::exp(-2.0 * M_PI * cutoffHz / 48000.0);
    std::vector<double> out(in.size());
    double low = 0.0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        low = (1.0 - a) * in[i] + a * low;
        out[i] = highpass ? in[i] - low : low;
    }
    return out;
}

std::vector<double> Lowpass(const std::vector<double>& in, double hz)
{
    return OnePole(OnePole(in, hz, false), hz, false);
}

std::vector<double> Highpass(const std::vector<double>& in, double hz)
{
    return OnePole(OnePole(in, hz, true), hz, true);
}

TEST(DemoProgramme, is_ten_seconds_of_48_kHz_16_bit_stereo)
{
    const Audio demo = vastum::DemoProgramme();
    EXPECT_EQ(demo.format, (vastum::AudioFormat{48000, 16, 2, std::nullopt}));
    EXPECT_EQ(demo.Frames(), 480000u);
    EXPECT_EQ(demo.pcm.size(), 480000u * 4);
}

// Rendered from integers only, it is the same bytes on every run and every
// machine; the digest pins the bytes down so a change anywhere shows here.
TEST(DemoProgramme, is_the_same_bytes_every_time)
{
    const Audio first = vastum::DemoProgramme();
    EXPECT_EQ(vastum::DemoProgramme().pcm, first.pcm);
    std::uint64_t digest = 14695981039346656037ull;  // FNV-1a
    for (std::uint8_t byte : first.pcm) {
        digest = (digest ^ byte) * 1099511628211ull;
    }
    EXPECT_EQ(digest, 5972790183679838277ull) << "FNV-1a digest of the programme changed";
}

TEST(DemoProgramme, peaks_close_to_but_below_full_scale)
{
    const Channels c = Split(vastum::DemoProgramme());
    double peak = 0.0;
    for (const auto* channel : {&c.left, &c.right}) {
        for (double x : *channel) {
            peak = std::max(peak, std::abs(x));
        }
    }
    EXPECT_LT(peak, 32767.0) << "no sample reaches full scale";
    EXPECT_GT(DecibelsFullScale(peak), -3.0) << "peaks give the limiter something to do";
}

// Each effect finds its material: bass for bass enhancement, treble for the
// detail stage, a centre for elevation and centre level, and a difference
// between the channels for the stereo widening.
TEST(DemoProgramme, has_material_for_every_effect)
{
    const Channels c = Split(vastum::DemoProgramme());
    const std::vector<double> mid = Combine(c, 0.5, 0.5);
    const std::vector<double> side = Combine(c, 0.5, -0.5);

    const double bass = DecibelsFullScale(Rms(Lowpass(mid, 120.0)));
    const double treble = DecibelsFullScale(Rms(Highpass(mid, 6000.0)));
    const double centre = DecibelsFullScale(Rms(mid));
    const double difference = DecibelsFullScale(Rms(side));
    EXPECT_GT(bass, -24.0) << "bass below 120 Hz, dBFS";
    EXPECT_GT(treble, -50.0) << "treble above 6 kHz, dBFS";
    EXPECT_GT(centre, -20.0) << "centre (L+R)/2, dBFS";
    EXPECT_GT(difference, -36.0) << "difference (L-R)/2, dBFS";
    EXPECT_LT(difference, centre - 6.0) << "the image is centred, not two unrelated channels";

    // The chords are panned apart, the bass stays in the middle.
    auto chordBand = [](const std::vector<double>& x) { return Rms(Highpass(Lowpass(x, 1000.0), 200.0)); };
    auto bassBand = [](const std::vector<double>& x) { return Rms(Lowpass(x, 120.0)); };
    EXPECT_GT(DecibelsFullScale(chordBand(side)) - DecibelsFullScale(chordBand(mid)), -16.0)
        << "difference relative to centre between 200 Hz and 1 kHz, dB";
    EXPECT_LT(DecibelsFullScale(bassBand(side)) - DecibelsFullScale(bassBand(mid)), -16.0)
        << "difference relative to centre below 120 Hz, dB";
}

}  // namespace
