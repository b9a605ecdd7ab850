// Coefficient tables of the 3D stereo stage, one row per rate class, laid out
// as the stage's design lists them. The phase pairs are the same at every
// class; the perspective sets, the side-shaping and mode-1 sum pairs and the
// mode-1 band sets are chosen per class at format time.
#pragma once

#include "filter_primitives.h"
#include "rate_class.h"

namespace vyohd {

// Fixed phase pairs of the phase-network and matrix paths (PhaseSectionA c0, c1).
inline constexpr PhaseCoefficients kPhasePairP1 = {{-0.971839905f, 0.97183609f}};
inline constexpr PhaseCoefficients kPhasePairP2 = {{-0.785430908f, 0.785429001f}};
inline constexpr PhaseCoefficients kPhasePairP3 = {{0.54309845f, -0.543100357f}};
inline constexpr PhaseCoefficients kPhasePairQ1 = {{-0.99288559f, 0.992883682f}};
inline constexpr PhaseCoefficients kPhasePairQ2 = {{-0.917785645f, 0.91778183f}};
inline constexpr PhaseCoefficients kPhasePairQ3 = {{-0.469726562f, 0.469724655f}};

struct PerspectiveRow {
    ULONG rateHz;
    BiquadCoefficients set;  // b0, -a1, b1, -a2, b2
};

// Perspective set 0, selected while QELSize is 0.
inline constexpr PerspectiveRow kPerspectiveSet0[RateClassCount] = {
    //  rate         c0            c1            c2             c3              c4
    { 8000, {{-0.907145739f, 0.618668556f, 0.443055838f,   0.201060951f, -0.0886437967f}}},
    {11025, {{-0.990721464f, 0.721300304f, 0.816100061f,   0.152321801f,  -0.215116218f}}},
    {16000, {{ -1.16022408f, 0.849056661f,  1.35375202f,  0.0696378872f,  -0.445471466f}}},
    {22050, {{ -1.35209835f, 0.729410112f,  1.73704338f,   0.203238249f,   -0.59424448f}}},
    {24000, {{ -1.42523539f, 0.817312062f,  1.95373404f,   0.124933556f,  -0.708090842f}}},
    {32000, {{ -1.62673604f,  1.05997288f,  2.55223083f, -0.0946976542f,   -1.03367174f}}},
    {44100, {{ -1.79940021f,  1.26676118f,  3.06211901f,   -0.28657338f,    -1.3245312f}}},
    {48000, {{ -1.83879018f,  1.31361115f,  3.17756891f,  -0.330681711f,   -1.39205432f}}},
    {96000, {{ -2.09014797f,  1.60883498f,   3.9041512f,  -0.613752902f,    -1.8293792f}}},
};

// Perspective set 1, selected while QELSize is 1 (headphones).
inline constexpr PerspectiveRow kPerspectiveSet1[RateClassCount] = {
    //  rate         c0            c1              c2             c3             c4
    { 8000, {{-0.462985188f, 0.621286511f, -0.0295261871f,   0.198825017f, -0.105328426f}}},
    {11025, {{-0.472154081f, 0.706359804f,   0.196108043f,   0.165649563f, -0.151744068f}}},
    {16000, {{-0.539224565f,  0.83629477f,   0.518771052f,  0.0814348608f, -0.255823433f}}},
    {22050, {{-0.641169429f, 0.729410112f,   0.793530047f,   0.203238249f, -0.379183352f}}},
    {24000, {{-0.678292334f, 0.817312062f,   0.909018636f,   0.124933556f, -0.425350398f}}},
    {32000, {{-0.780161619f,  1.05997288f,    1.22484255f, -0.0946976542f, -0.561906278f}}},
    {44100, {{-0.867702544f,  1.26676118f,    1.48961961f,   -0.28657338f, -0.688897192f}}},
    {48000, {{-0.887783647f,  1.31361115f,    1.54899025f,  -0.330681711f, -0.718936026f}}},
    {96000, {{ -1.01732123f,  1.60883498f,    1.91795659f,  -0.613752902f,  -0.91729641f}}},
};

struct SideShapingRow {
    ULONG rateHz;
    PhaseCoefficients side;  // PhaseSectionA c0, c1
    float sum;               // PhaseSectionB with c0 = c1 = sum
};

inline constexpr SideShapingRow kSideShapingAndSum[RateClassCount] = {
    //  rate        side c0       side c1      sum c0 = c1
    { 8000, {{-0.995511889f, 0.962994039f}}, -0.229885772f},
    {11025, {{-0.996741474f,  0.97301209f}}, -0.219761074f},
    {16000, {{ -0.99775362f, 0.981325865f}}, -0.203611344f},
    {22050, {{-0.998369515f, 0.986415029f}}, 0.0698552281f},
    {24000, {{-0.998501897f, 0.987511933f}},  0.128590822f},
    {32000, {{-0.998876274f, 0.990619361f}},  0.300882578f},
    {44100, {{-0.999184489f, 0.993184447f}},  0.455683231f},
    {48000, {{ -0.99925071f, 0.993736446f}},   0.49127537f},
    {96000, {{-0.999625266f, 0.996863306f}},    0.7154513f},
};

// The mode-1 band filters are band-passes with b1 = 0 and b2 = -b0, so their
// source lists only b0, -a1 and -a2.
struct ModeOneBand {
    float b0;
    float minusA1;
    float minusA2;
};

struct ModeOneBandRow {
    ULONG rateHz;
    ModeOneBand band[3];
};

inline constexpr ModeOneBandRow kModeOneBands[RateClassCount] = {
    //  rate     set 1 b0     set 1 -a1     set 1 -a2       set 2 b0     set 2 -a1     set 2 -a2        set 3 b0     set 3 -a1     set 3 -a2
    { 8000, {{ 0.231500879f, 0.247132987f, -0.785873115f}, { 0.56118238f, -0.646714151f, -0.480933994f}, { 0.447303623f,  -1.58120131f, -0.586266279f}}},
    {11025, {{ 0.229510427f, 0.271523714f, -0.787714183f}, { 0.55689925f,  -0.62257725f, -0.484895676f}, { 0.443766564f,  -1.58008564f, -0.589537859f}}},
    {16000, {{ 0.226310641f, 0.310639471f, -0.790673852f}, {0.550001919f, -0.583106935f,  -0.49127537f}, { 0.438072532f,   -1.5754627f, -0.594804585f}}},
    {22050, {{ 0.168737173f, 0.975572109f,  -0.84392643f}, { 0.42296949f,  0.223671094f, -0.608774126f}, { 0.333756566f, -0.948952198f,  -0.69129169f}}},
    {24000, {{ 0.155962706f,  1.10799921f, -0.855742216f}, {0.393901795f,  0.413819075f, -0.635660291f}, { 0.310076743f, -0.698047876f, -0.713194311f}}},
    {32000, {{ 0.119021058f,  1.44765007f, -0.889911413f}, {0.307636648f,  0.946602583f,   -0.7154513f}, { 0.240337744f,  0.138432741f, -0.777699471f}}},
    {44100, {{0.0876438394f,  1.67787313f, -0.918933749f}, {0.231405243f,   1.34779882f, -0.785961568f}, { 0.179475933f,  0.859161615f, -0.833993614f}}},
    {48000, {{0.0807816312f,  1.72044361f, -0.925280988f}, {0.214324757f,   1.42612374f, -0.801760197f}, { 0.165947989f,   1.00507116f, -0.846506298f}}},
    {96000, {{0.0411444753f,  1.90904582f, -0.961943388f}, { 0.11242874f,   1.79446852f, -0.896008968f}, {0.0861424208f,   1.68743229f, -0.920322537f}}},
};

static_assert(RowsFollowRateClasses(kPerspectiveSet0));
static_assert(RowsFollowRateClasses(kPerspectiveSet1));
static_assert(RowsFollowRateClasses(kSideShapingAndSum));
static_assert(RowsFollowRateClasses(kModeOneBands));

// The sum pair and the band sets in the form their filters take.
struct ModeOneSets {
    PhaseCoefficients sum[RateClassCount];
    BiquadCoefficients band[RateClassCount][3];
};

constexpr ModeOneSets MakeModeOneSets()
{
    ModeOneSets sets{};
    for (LONG rate = 0; rate < RateClassCount; ++rate) {
        const float sum = kSideShapingAndSum[rate].sum;
        sets.sum[rate] = PhaseCoefficients{{sum, sum}};
        for (LONG i = 0; i < 3; ++i) {
            const ModeOneBand& band = kModeOneBands[rate].band[i];
            sets.band[rate][i] = BiquadCoefficients{{band.b0, band.minusA1, 0.0f, band.minusA2, -band.b0}};
        }
    }
    return sets;
}

inline constexpr ModeOneSets kModeOneSets = MakeModeOneSets();

}  // namespace vyohd
