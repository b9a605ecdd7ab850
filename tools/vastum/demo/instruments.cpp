#include "demo/instruments.h"

#include "demo/compile_time_math.h"

namespace vastum::demo {

namespace {

// Vibrato: 5.5 Hz, fading in after the first 120 ms of a note, as a singer's does.
constexpr std::uint32_t kVibratoIncrement = PhaseIncrement(5.5);
constexpr std::uint32_t kVibratoDelayFrames = Frames(0.12);
constexpr std::uint32_t kVibratoFadeFrames = Frames(0.2);

// Q15 share of the full vibrato depth at `frame` of the note.
std::int32_t VibratoOnset(std::uint32_t frame)
{
    if (frame < kVibratoDelayFrames) {
        return 0;
    }
    const std::uint32_t into = frame - kVibratoDelayFrames;
    if (into >= kVibratoFadeFrames) {
        return 32767;
    }
    return static_cast<std::int32_t>(std::int64_t(into) * 32767 / kVibratoFadeFrames);
}

constexpr std::uint32_t kKickLowIncrement = PhaseIncrement(45.0);
constexpr std::uint32_t kKickSweepIncrement = PhaseIncrement(160.0) - PhaseIncrement(45.0);
constexpr std::int64_t kKickSweepDecay = DecayPerFrame(0.035);
constexpr EnvelopeShape kKickEnvelope = {0, DecayPerFrame(0.09), Frames(0.06)};
constexpr std::uint32_t kKickFrames = Frames(0.28);

constexpr EnvelopeShape kClosedHatEnvelope = {0, DecayPerFrame(0.03), Frames(0.01)};
constexpr std::uint32_t kClosedHatFrames = Frames(0.09);
constexpr EnvelopeShape kOpenHatEnvelope = {0, DecayPerFrame(0.08), Frames(0.03)};
constexpr std::uint32_t kOpenHatFrames = Frames(0.25);

}  // namespace

void AddTone(StereoMix& mix, const ToneVoice& voice, const ToneNote& note)
{
    NoteEnvelope envelope(voice.envelope, note.length);
    std::uint32_t phase = 0;
    std::uint32_t vibratoPhase = 0;
    for (std::uint32_t frame = 0; frame < note.length; ++frame) {
        std::int32_t sum = 0;
        std::uint32_t harmonicNumber = 1;
        for (const std::int32_t amplitude : note.harmonics) {
            // The phase wraps per cycle, so harmonic k's phase is k times the fundamental's.
            const std::int64_t harmonic = Sine(phase * harmonicNumber);
            sum += static_cast<std::int32_t>((harmonic * amplitude) >> 15);
            ++harmonicNumber;
        }
        mix.Add(note.start + frame, static_cast<std::int32_t>((std::int64_t(sum) * envelope.Next()) >> 15), voice.pan);

        std::int64_t increment = note.phaseIncrement;
        if (voice.vibratoDepth != 0) {
            const std::int64_t depth = (std::int64_t(voice.vibratoDepth) * VibratoOnset(frame)) >> 15;
            const std::int64_t deviation = (std::int64_t(Sine(vibratoPhase)) * depth) >> 15;
            increment += (increment * deviation) >> 15;
            vibratoPhase += kVibratoIncrement;
        }
        phase += static_cast<std::uint32_t>(increment);
    }
}

void AddKick(StereoMix& mix, std::uint32_t start, Pan pan)
{
    NoteEnvelope envelope(kKickEnvelope, kKickFrames);
    std::uint32_t phase = 0;
    std::int64_t sweep = kNoDecay;  // Q30, from 1.0 towards 0
    for (std::uint32_t frame = 0; frame < kKickFrames; ++frame) {
        mix.Add(start + frame, static_cast<std::int32_t>((std::int64_t(Sine(phase)) * envelope.Next()) >> 15), pan);
        phase += kKickLowIncrement + static_cast<std::uint32_t>((kKickSweepIncrement * sweep) >> 30);
        sweep = (sweep * kKickSweepDecay) >> 30;
    }
}

void AddHiHat(StereoMix& mix, WhiteNoise& noise, std::uint32_t start, bool open, Pan pan)
{
    const std::uint32_t frames = open ? kOpenHatFrames : kClosedHatFrames;
    NoteEnvelope envelope(open ? kOpenHatEnvelope : kClosedHatEnvelope, frames);
    std::int32_t previous = 0;
    std::int32_t beforePrevious = 0;
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        // The second difference of white noise keeps its hiss and drops its body.
        const std::int32_t current = noise.Next();
        const std::int32_t hiss = (current - 2 * previous + beforePrevious) / 4;
        beforePrevious = previous;
        previous = current;
        mix.Add(start + frame, static_cast<std::int32_t>((std::int64_t(hiss) * envelope.Next()) >> 15), pan);
    }
}

}  // namespace vastum::demo
