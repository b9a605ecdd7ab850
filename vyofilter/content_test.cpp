#include "content_test.h"

namespace {

// The bounds of a silent sample: the single-precision values with the bit
// patterns 0xB727C5AC and 0x3727C5AC.
constexpr float kSilenceLowerBound = -1.0e-5f;
constexpr float kSilenceUpperBound = 1.0e-5f;

// Each sample is normalized in double precision and then rounded to a
// float, so the bounds fall between the same integer sample values on
// every build.
float Normalized8(const UCHAR* sample)
{
    return static_cast<float>((static_cast<double>(sample[0]) - 128.0) * 0.0078125);
}

float Normalized16(const UCHAR* sample)
{
    const SHORT value = static_cast<SHORT>(static_cast<USHORT>(sample[0] | sample[1] << 8));
    return static_cast<float>(static_cast<double>(value) / 32768.0);
}

float Normalized24(const UCHAR* sample)
{
    LONG value = static_cast<LONG>(sample[0] | sample[1] << 8 | sample[2] << 16);
    if (value & 0x800000) {
        value -= 0x1000000;
    }
    return static_cast<float>(static_cast<double>(value) * (1.0 / 8388608.0));
}

float Normalized32(const UCHAR* sample)
{
    const ULONG word = static_cast<ULONG>(sample[0]) | static_cast<ULONG>(sample[1]) << 8 |
                       static_cast<ULONG>(sample[2]) << 16 | static_cast<ULONG>(sample[3]) << 24;
    return static_cast<float>(static_cast<double>(static_cast<LONG>(word)) / 2147483648.0);
}

typedef float (*NormalizeSample)(const UCHAR* sample);

NormalizeSample NormalizerFor(USHORT bitsPerSample)
{
    switch (bitsPerSample) {
    case 8:
        return Normalized8;
    case 16:
        return Normalized16;
    case 24:
        return Normalized24;
    case 32:
        return Normalized32;
    default:
        return NULL;
    }
}

}  // namespace

BOOLEAN ExtraChannelsAreSilent(const UCHAR* buffer, ULONG byteCount, USHORT channels, USHORT bitsPerSample)
{
    const NormalizeSample normalize = NormalizerFor(bitsPerSample);
    if (normalize == NULL || channels == 0) {
        return FALSE;
    }
    if (channels <= 2) {
        return TRUE;
    }
    const ULONG sampleBytes = bitsPerSample / 8u;
    const ULONG frameBytes = channels * sampleBytes;
    ULONG frames = byteCount / frameBytes;
    if (frames > kContentTestFrames) {
        frames = kContentTestFrames;
    }
    for (ULONG frame = 0; frame < frames; ++frame) {
        const UCHAR* sample = buffer + frame * frameBytes + 2 * sampleBytes;
        for (ULONG channel = 2; channel < channels; ++channel, sample += sampleBytes) {
            const float value = normalize(sample);
            if (value < kSilenceLowerBound || value > kSilenceUpperBound) {
                return FALSE;
            }
        }
    }
    return TRUE;
}
