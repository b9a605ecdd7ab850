// Mixing constants that the DSP applies in double precision.
//
// Each is the double value of a single-precision constant (0.126f is
// 0.12600000202655792). The product with a sample is formed in double and
// rounded to a float before anything is added to it, so every intermediate
// result of the signal flow is still a float.
#pragma once

// k x, formed in double precision, stored as a float.
inline float ScaleAsDouble(double k, float x)
{
    return static_cast<float>(k * static_cast<double>(x));
}

constexpr double AsDouble(float value) { return static_cast<double>(value); }

// Render matrix.
constexpr double kFrontDirect = AsDouble(0.126f);      // the source's own share of L and R
constexpr double kSurroundDirect = AsDouble(0.251f);   // the source's own share of Ls and Rs
constexpr double kCentreShare = AsDouble(0.71f);       // centre into L and R
constexpr double kCentreBlend = AsDouble(0.1f);        // L + R into the centre path
constexpr double kHalf = AsDouble(0.5f);
constexpr double kPseudoStereoInput = AsDouble(0.56f);

// Difference path mix of T and y: loudspeakers, headphones.
constexpr double kSpeakerDirect = AsDouble(0.5f);
constexpr double kSpeakerShaped = AsDouble(1.41f);
constexpr double kHeadphoneDirect = AsDouble(0.158f);
constexpr double kHeadphoneShaped = AsDouble(1.78f);

// Surround path mix of T and y.
constexpr double kSurroundHigh = AsDouble(0.665f);
constexpr double kSurroundLow = AsDouble(0.34f);

// The 0.79 pre-scale of Elevo and Subvia, and the Subvia constants.
constexpr double kPreScale = AsDouble(0.79f);
constexpr double kSubviaBoost = AsDouble(1.41f);
constexpr double kSubviaDetectorScale = AsDouble(0.89f);
constexpr double kSubviaDetectorFloor = AsDouble(0.112f);

static_assert(kFrontDirect == 0.12600000202655792);
static_assert(kSurroundDirect == 0.25099998712539673);
static_assert(kCentreShare == 0.7099999785423279);
static_assert(kCentreBlend == 0.10000000149011612);
static_assert(kPseudoStereoInput == 0.5600000023841858);
static_assert(kHeadphoneDirect == 0.15800000727176666);
static_assert(kHeadphoneShaped == 1.7799999713897705);
static_assert(kSurroundHigh == 0.6650000214576721);
static_assert(kSurroundLow == 0.3400000035762787);
static_assert(kPreScale == 0.7900000214576721);
static_assert(kSubviaBoost == 1.409999966621399);
static_assert(kSubviaDetectorScale == 0.8899999856948853);
static_assert(kSubviaDetectorFloor == 0.1120000034570694);
