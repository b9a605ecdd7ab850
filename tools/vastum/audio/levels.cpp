#include "audio/levels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "audio/pcm_sample.h"

namespace vastum {

namespace {

double Decibels(double amplitude)
{
    return amplitude > 0.0 ? 20.0 * std::log10(amplitude) : -std::numeric_limits<double>::infinity();
}

std::string DecibelText(double db)
{
    if (std::isinf(db)) {
        return "-inf";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::fabs(db) < 0.05 ? 0.0 : db);  // no "-0.0"
    return text;
}

}  // namespace

Levels MeasureLevels(const Audio& audio)
{
    const std::size_t sampleBytes = audio.format.BytesPerSample();
    const std::size_t samples = sampleBytes == 0 ? 0 : audio.pcm.size() / sampleBytes;
    double peak = 0.0;
    double sumOfSquares = 0.0;
    for (std::size_t i = 0; i < samples; ++i) {
        // Left-justified to 32 bits, so every sample width has the same full scale.
        const double value = ReadPcmSample(&audio.pcm[i * sampleBytes], audio.format.bitsPerSample) / 2147483648.0;
        peak = std::max(peak, std::fabs(value));
        sumOfSquares += value * value;
    }
    const double rms = samples == 0 ? 0.0 : std::sqrt(sumOfSquares / static_cast<double>(samples));
    return Levels{Decibels(peak), Decibels(rms)};
}

std::string DescribeLevels(const Levels& levels)
{
    return "peak " + DecibelText(levels.peakDb) + " dBFS, RMS " + DecibelText(levels.rmsDb) + " dBFS";
}

}  // namespace vastum
