// The little mathematics the demo programme's tables need, evaluated by the
// compiler only (consteval). The programme itself is then rendered with
// integer arithmetic alone, so its bytes do not depend on a machine's maths
// library or floating-point unit.
#pragma once

#include <cstdint>

namespace vastum::demo {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kLn2 = 0.69314718055994530942;
inline constexpr std::uint32_t kSampleRate = 48000;

// e^x by its Taylor series; e^x = (e^(x/2))^2 keeps the series short.
consteval double Exp(double x)
{
    if (x > 0.5 || x < -0.5) {
        const double half = Exp(x / 2.0);
        return half * half;
    }
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n < 25; ++n) {
        term = term * x / n;
        sum = sum + term;
    }
    return sum;
}

// sin(x) for |x| <= 2 pi by its Taylor series, after folding into -pi..pi.
consteval double Sin(double x)
{
    if (x > kPi) {
        x = x - 2.0 * kPi;
    }
    if (x < -kPi) {
        x = x + 2.0 * kPi;
    }
    double term = x;
    double sum = x;
    for (int n = 1; n < 30; ++n) {
        term = -term * x * x / ((2 * n) * (2 * n + 1));
        sum = sum + term;
    }
    return sum;
}

consteval std::int64_t RoundToInteger(double x)
{
    return x >= 0.0 ? static_cast<std::int64_t>(x + 0.5) : -static_cast<std::int64_t>(-x + 0.5);
}

// Equal temperament, A4 (MIDI note 69) = 440 Hz.
consteval double NoteFrequency(int midiNote)
{
    int semitones = midiNote - 69;
    double octaveFactor = 1.0;
    while (semitones < 0) {
        semitones += 12;
        octaveFactor = octaveFactor / 2.0;
    }
    while (semitones >= 12) {
        semitones -= 12;
        octaveFactor = octaveFactor * 2.0;
    }
    return 440.0 * octaveFactor * Exp(semitones / 12.0 * kLn2);
}

// A 32-bit phase accumulator wraps once per cycle.
consteval std::uint32_t PhaseIncrement(double hertz)
{
    return static_cast<std::uint32_t>(RoundToInteger(hertz * 4294967296.0 / kSampleRate));
}

// Gains in Q15 (1.0 = 32768), the scale of a 16-bit sample.
consteval std::int32_t Q15(double gain)
{
    const std::int64_t value = RoundToInteger(gain * 32768.0);
    return static_cast<std::int32_t>(value > 32767 ? 32767 : value);
}

// Per-frame factor of an exponential decay with time constant `seconds`, in
// Q30 (1.0 = 2^30).
consteval std::int64_t DecayPerFrame(double seconds)
{
    return RoundToInteger(Exp(-1.0 / (seconds * kSampleRate)) * 1073741824.0);
}

consteval std::uint32_t Frames(double seconds)
{
    return static_cast<std::uint32_t>(RoundToInteger(seconds * kSampleRate));
}

}  // namespace vastum::demo
