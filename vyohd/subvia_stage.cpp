#include "subvia_stage.h"

#include "filter_runs.h"
#include "vyohd_parameters.h"

namespace vyohd {

namespace {

// Level-tracking constants. The two references keep a ratio of at least
// 31.6 (30 dB) between them; 0.03164557 is its reciprocal.
constexpr float kReferenceRatio = 31.6f;
constexpr float kInverseReferenceRatio = 0.03164557f;
constexpr float kLowerFloor = 1.0e-8f;
constexpr float kReciprocalCeiling = 4096.0f;
constexpr float kOneThird = 0.333333343f;
constexpr float kGainTarget = 0.71f;
constexpr float kGainStep = 0.02f;

// Initial level references after a format change.
constexpr float kInitialUpper = 0.03164557f;
constexpr float kInitialLower = 1.0e-8f;
constexpr float kInitialReciprocal = 31.6f;

inline float Abs(float x)
{
    return x < 0.0f ? -x : x;
}

inline float Min(float a, float b)
{
    return a < b ? a : b;
}

inline float Max(float a, float b)
{
    return a > b ? a : b;
}

float GainCeiling(float level)
{
    return 6.0f * level + 2.0f;
}

}  // namespace

void SubviaStage::LoadDefaults()
{
    enable.Store(1);
    size.Store(kVYOHDDefaultSubviaSize);
    level.Store(kVYOHDDefaultSubviaLevel);
}

NTSTATUS SubviaStage::SetEnable(LONG value)
{
    if (value != 0 && value != 1) {
        return STATUS_INVALID_PARAMETER;
    }
    enable.Store(value);
    return STATUS_SUCCESS;
}

NTSTATUS SubviaStage::SetSize(ULONG value)
{
    if (value > kVYOHDSubviaSizeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    size.Store(value);
    if (state != NULL) {
        state->lowpassPair.Store(&state->lowpassRows[value].pair);
        state->band1Set.Store(&state->bandRows[value].band1);
        state->band2Set.Store(&state->bandRows[value].band2);
    }
    return STATUS_SUCCESS;
}

NTSTATUS SubviaStage::SetLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    level.Store(value);
    if (state != NULL) {
        state->gainCeiling.Store(GainCeiling(value));
    }
    return STATUS_SUCCESS;
}

void SubviaStage::CopyFrom(const SubviaStage& source)
{
    SetEnable(source.enable.Load());
    SetSize(source.size.Load());
    SetLevel(source.level.Load());
}

void SubviaStage::Reinitialize(RateClass rateClass, SubviaState* stateBlockPart)
{
    SubviaState& s = *stateBlockPart;
    const SubviaEnvelopeRow& envelope = kSubviaEnvelope[rateClass];
    s.lowpassRows = &kSubviaLowpass[rateClass * kSubviaSizeCount];
    s.bandRows = &kSubviaBandSets[rateClass * kSubviaSizeCount];
    const ULONG sizeNow = size.Load();
    s.lowpassPair.Store(&s.lowpassRows[sizeNow].pair);
    s.band1Set.Store(&s.bandRows[sizeNow].band1);
    s.band2Set.Store(&s.bandRows[sizeNow].band2);
    s.attack = envelope.attack;
    s.release = envelope.release;

    s.lowpass[0] = 0.0f;
    s.lowpass[1] = 0.0f;
    s.band1[0] = 0.0f;
    s.band1[1] = 0.0f;
    s.band2[0] = 0.0f;
    s.band2[1] = 0.0f;

    SubviaDetector& d = s.detector;
    d.env = 0.0f;
    d.upper = kInitialUpper;
    d.lower = kInitialLower;
    d.reciprocal = kInitialReciprocal;
    d.peak = 0.0f;
    d.nextPeak = 0.0f;
    d.windowCounter = 0;
    d.windowLength = envelope.window;
    d.peakRaised = 0;
    d.gain = 0.0f;
    s.gainCeiling.Store(GainCeiling(level.Load()));
    s.compensation = 0.0f;

    s.denormals.Reset();
    s.denormals.Append(&s.lowpass[0]);
    s.denormals.Append(&s.lowpass[1]);
    s.denormals.Append(&s.band1[0]);
    s.denormals.Append(&s.band1[1]);
    s.denormals.Append(&s.band2[0]);
    s.denormals.Append(&s.band2[1]);
    state = stateBlockPart;
}

// Inlined into the per-sample loop below, so the detector lives in registers.
inline float SubviaDetector::Step(float v, float factor, float gainCeiling, float attack, float release)
{
    const float a = Abs(v);
    if (a > env) {
        env = a - (a - env) * attack;
    } else {
        env = a + (env - a) * release;
    }
    const float e = factor > 0.0f ? env * factor : env;

    if (e >= peak) {
        // A new peak: T jumps up to it; the first new peak of a window that
        // lies between Bf and T / 31.6 draws Bf half way toward it.
        peak = e;
        windowCounter = 0;
        nextPeak = 0.0f;
        if (upper < peak) {
            upper = peak;
        }
        const float lowerCeiling = upper * kInverseReferenceRatio;
        if (peakRaised == 0 && lower < peak && peak < lowerCeiling) {
            const float x = Min(peak, lowerCeiling * kInverseReferenceRatio);
            lower = 0.5f * (lower + Max(x, kLowerFloor));
        }
        peakRaised = 1;
    } else {
        // At the end of a window with a new peak between 31.6 Bf and T, T
        // moves half way toward it.
        if (nextPeak < e) {
            nextPeak = e;
        }
        windowCounter += 1;
        if (windowCounter == windowLength) {
            if (peakRaised == 1 && upper > peak && peak > kReferenceRatio * lower) {
                upper = 0.5f * (upper + Max(peak, kReferenceRatio * (kReferenceRatio * lower)));
            }
            peak = nextPeak;
            windowCounter = 0;
            nextPeak = 0.0f;
            peakRaised = 0;
        }
    }

    // One Newton step toward 1 / T instead of a division. The step only
    // converges while T x G stays below 2; when T has jumped further than
    // that in one sample (a sudden loud onset), it would turn G negative,
    // and G would run away to -infinity and poison the gain with NaN. Such
    // an estimate restarts from the exact reciprocal instead.
    const float newtonStep = reciprocal * (2.0f - upper * reciprocal);
    reciprocal = newtonStep > 0.0f ? newtonStep : 1.0f / upper;
    if (reciprocal > kReciprocalCeiling) {
        reciprocal = kReciprocalCeiling;
    }

    float d;
    if (e * e > lower * upper) {
        const float q = upper > kOneThird ? upper : kOneThird;
        const float x = gain * e * reciprocal * q;
        d = kGainTarget - gain * (x * x);
    } else {
        const float x = gain * lower;
        d = kGainTarget * e - gain * (x * x);
    }
    gain = gain + kGainStep * d;
    if (gain > gainCeiling) {
        gain = gainCeiling;
    }
    return gain;
}

void SubviaStage::Process(float* left, float* right, float* bass, float* work1, float* work2, LONG n)
{
    SubviaState& s = *state;
    const OnePoleCoefficients* lowpass = s.lowpassPair.Load();

    // S, the low band of the sum, leaves both channels; B later takes its place.
    float* sum = bass;
    for (LONG i = 0; i < n; ++i) {
        sum[i] = right[i] + left[i];
    }
    RunOnePole(lowpass, s.lowpass[0], sum, n);
    for (LONG i = 0; i < n; ++i) {
        left[i] = left[i] - sum[i];
        right[i] = right[i] - sum[i];
    }
    RunOnePole(lowpass, s.lowpass[1], sum, n);

    float* u1 = work1;
    float* u2 = work2;
    RunBandpass(s.band1Set.Load(), s.band1[0], s.band1[1], sum, u1, n);
    RunBandpass(s.band2Set.Load(), s.band2[0], s.band2[1], sum, u2, n);
    float* y = u1;
    for (LONG i = 0; i < n; ++i) {
        y[i] = -(u2[i] + u1[i]);
    }

    const float lvl = level.Load();
    const float gmax = s.gainCeiling.Load();
    const float factor = s.compensation;
    const float attack = s.attack;
    const float release = s.release;
    SubviaDetector d = s.detector;
    for (LONG i = 0; i < n; ++i) {
        const float v = y[i];
        const float gs = d.Step(v, factor, gmax, attack, release);
        bass[i] = lvl * (gs * v + 0.5f * sum[i]);
    }
    s.detector = d;
    s.denormals.Step();
}

}  // namespace vyohd
