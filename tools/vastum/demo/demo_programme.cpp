#include "demo/demo_programme.h"

#include <array>

#include "demo/compile_time_math.h"
#include "demo/instruments.h"

namespace vastum {

namespace demo {
namespace {

// ---- The score: 96 beats per minute, 4/4, four bars of A minor, F, C, G. ----

constexpr std::uint32_t kFramesPerEighth = 15000;  // 96 bpm at 48 kHz
constexpr std::uint32_t kFramesPerSixteenth = kFramesPerEighth / 2;
constexpr std::uint32_t kEighthsPerBar = 8;
constexpr std::uint32_t kFramesPerBar = kEighthsPerBar * kFramesPerEighth;
constexpr std::uint32_t kBars = 4;
constexpr std::uint32_t kProgrammeFrames = kBars * kFramesPerBar;  // 10 s

struct Chord {
    int pad[3];    // MIDI notes of the sustained chord, panned left
    int stabs[3];  // the same chord an octave up, played short, panned right
    int bassRoot;
};

constexpr Chord kChords[kBars] = {
    //  pad (left)     stabs (right)   bass root
    {{57, 60, 64}, {69, 72, 76}, 33},  // A minor
    {{53, 57, 60}, {65, 69, 72}, 29},  // F major
    {{55, 60, 64}, {67, 72, 76}, 36},  // C major
    {{55, 59, 62}, {67, 71, 74}, 31},  // G major
};

// The bass plays every eighth: semitones above the chord's root.
constexpr int kBassLine[kEighthsPerBar] = {0, 0, 12, 0, 7, 0, 12, 7};

// The stabs fall on beat 2, the "and" of 3 and beat 4 (eighths from the bar's start).
constexpr std::uint32_t kStabEighths[] = {2, 5, 6};

// Hi-hats on every sixteenth; the open hat on the last sixteenth of each bar.
constexpr std::int32_t kHatAccents[4] = {Q15(0.5), Q15(0.3), Q15(1.0), Q15(0.3)};  // per sixteenth of a beat

struct MelodyNote {
    std::uint32_t startEighth;
    std::uint32_t eighths;
    int midiNote;
};

constexpr MelodyNote kMelody[] = {
    {0, 2, 76},  {2, 1, 74},  {3, 1, 72},  {4, 4, 69},   // bar 1: E D C A
    {8, 2, 72},  {10, 2, 74}, {12, 3, 76},               // bar 2: C D E
    {16, 2, 79}, {18, 2, 76}, {20, 2, 74}, {22, 2, 72},  // bar 3: G E D C
    {24, 3, 74}, {27, 1, 71}, {28, 4, 69},               // bar 4: D B A
};

// ---- The instruments. Pans include each voice's level in the mix. ----

constexpr ToneVoice kBass = {{Frames(0.004), DecayPerFrame(0.5), Frames(0.02)}, {Q15(0.34), Q15(0.34)}, 0};
constexpr std::array<std::int32_t, 3> kBassHarmonics = {Q15(0.65), Q15(0.25), Q15(0.10)};

constexpr ToneVoice kPad = {{Frames(0.25), kNoDecay, Frames(0.25)}, {Q15(0.13), Q15(0.015)}, 0};
constexpr std::array<std::int32_t, 3> kPadHarmonics = {Q15(0.6), Q15(0.25), Q15(0.15)};

constexpr ToneVoice kStab = {{Frames(0.003), DecayPerFrame(0.15), Frames(0.05)}, {Q15(0.015), Q15(0.13)}, 0};
constexpr std::uint32_t kStabFrames = Frames(0.4);
constexpr std::array<std::int32_t, 4> kStabHarmonics = {Q15(0.5), Q15(0.27), Q15(0.15), Q15(0.08)};

constexpr ToneVoice kVoice = {{Frames(0.03), kNoDecay, Frames(0.06)}, {Q15(0.28), Q15(0.28)}, Q15(0.006)};

constexpr Pan kKickPan = {Q15(0.42), Q15(0.42)};
constexpr Pan kHatPan = {Q15(0.22), Q15(0.32)};  // a little right of centre

// ---- Tables derived from the score's pitches. ----

constexpr auto kPhaseIncrements = []() consteval {
    std::array<std::uint32_t, 128> increments{};
    for (int note = 0; note < 128; ++note) {
        increments[note] = PhaseIncrement(NoteFrequency(note));
    }
    return increments;
}();

// The voice sings "ah": its harmonics are shaped by three formants (peaks
// near 750, 1200 and 2600 Hz) over a source that falls as 1/k, then scaled
// so that they sum to 1.0.
constexpr int kVoiceHarmonicCount = 12;
constexpr int kLowestVoiceNote = 64;
constexpr int kHighestVoiceNote = 84;

struct Formant {
    double hertz;
    double bandwidth;
    double gain;
};
constexpr Formant kFormants[] = {{750.0, 250.0, 6.0}, {1200.0, 300.0, 3.0}, {2600.0, 400.0, 1.5}};

consteval std::array<std::int32_t, kVoiceHarmonicCount> VowelHarmonics(int midiNote)
{
    std::array<double, kVoiceHarmonicCount> weights{};
    double total = 0.0;
    for (int k = 1; k <= kVoiceHarmonicCount; ++k) {
        const double hertz = k * NoteFrequency(midiNote);
        double shape = 0.2;
        for (const Formant& formant : kFormants) {
            const double offset = hertz - formant.hertz;
            shape = shape + formant.gain * formant.bandwidth * formant.bandwidth /
                                (formant.bandwidth * formant.bandwidth + offset * offset);
        }
        weights[k - 1] = shape / k;
        total = total + weights[k - 1];
    }
    std::array<std::int32_t, kVoiceHarmonicCount> harmonics{};
    for (int k = 0; k < kVoiceHarmonicCount; ++k) {
        // Rounded down, so the amplitudes never sum past full scale.
        harmonics[k] = static_cast<std::int32_t>(weights[k] / total * 32767.0);
    }
    return harmonics;
}

constexpr auto kVoiceHarmonics = []() consteval {
    std::array<std::array<std::int32_t, kVoiceHarmonicCount>, kHighestVoiceNote - kLowestVoiceNote + 1> table{};
    for (int note = kLowestVoiceNote; note <= kHighestVoiceNote; ++note) {
        table[note - kLowestVoiceNote] = VowelHarmonics(note);
    }
    return table;
}();

static_assert([] {
    for (const MelodyNote& note : kMelody) {
        if (note.midiNote < kLowestVoiceNote || note.midiNote > kHighestVoiceNote) {
            return false;
        }
    }
    return true;
}(), "every melody note has a row of voice harmonics");

// ---- The arrangement: each part walks the score and adds its notes. ----

void AddBassLine(StereoMix& mix)
{
    for (std::uint32_t bar = 0; bar < kBars; ++bar) {
        for (std::uint32_t eighth = 0; eighth < kEighthsPerBar; ++eighth) {
            const int note = kChords[bar].bassRoot + kBassLine[eighth];
            AddTone(mix, kBass,
                    {bar * kFramesPerBar + eighth * kFramesPerEighth, kFramesPerEighth, kPhaseIncrements[note],
                     kBassHarmonics});
        }
    }
}

void AddChords(StereoMix& mix)
{
    for (std::uint32_t bar = 0; bar < kBars; ++bar) {
        for (const int note : kChords[bar].pad) {
            AddTone(mix, kPad, {bar * kFramesPerBar, kFramesPerBar, kPhaseIncrements[note], kPadHarmonics});
        }
        for (const std::uint32_t eighth : kStabEighths) {
            for (const int note : kChords[bar].stabs) {
                AddTone(mix, kStab,
                        {bar * kFramesPerBar + eighth * kFramesPerEighth, kStabFrames, kPhaseIncrements[note],
                         kStabHarmonics});
            }
        }
    }
}

void AddDrums(StereoMix& mix)
{
    WhiteNoise noise;
    const std::uint32_t sixteenths = kProgrammeFrames / kFramesPerSixteenth;
    for (std::uint32_t sixteenth = 0; sixteenth < sixteenths; ++sixteenth) {
        const std::uint32_t start = sixteenth * kFramesPerSixteenth;
        if (sixteenth % 4 == 0) {
            AddKick(mix, start, kKickPan);
        }
        const bool open = sixteenth % 16 == 15;
        const std::int32_t accent = kHatAccents[sixteenth % 4];
        const Pan pan = {(kHatPan.left * accent) >> 15, (kHatPan.right * accent) >> 15};
        AddHiHat(mix, noise, start, open, pan);
    }
}

void AddMelody(StereoMix& mix)
{
    for (const MelodyNote& note : kMelody) {
        AddTone(mix, kVoice,
                {note.startEighth * kFramesPerEighth, note.eighths * kFramesPerEighth, kPhaseIncrements[note.midiNote],
                 kVoiceHarmonics[note.midiNote - kLowestVoiceNote]});
    }
}

}  // namespace
}  // namespace demo

Audio DemoProgramme()
{
    demo::StereoMix mix(demo::kProgrammeFrames);
    demo::AddBassLine(mix);
    demo::AddChords(mix);
    demo::AddDrums(mix);
    demo::AddMelody(mix);
    return Audio{{demo::kSampleRate, 16, 2, std::nullopt}, mix.ToPcm16()};
}

}  // namespace vastum
