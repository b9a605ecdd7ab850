// The source-layout modes (KVHDMode 0 .. 11): which slots carry source
// material, whether Ctr is a real centre channel, and the three path gains
// of the render. DiffGain is 0.63 in every mode.
//
//  0  mono: pseudo-stereo from Ctr into L and R
//  1  stereo
//  2  L R + mono surround Cs, copied to Ls and Rs
//  3  L R Ls Rs
//  4  L R Ctr
//  5  L R Ctr + mono surround Cs, copied to Ls and Rs
//  6  L R Ls Rs Ctr (5.1)
//  7  all seven; Cs feeds the surround-sum path
//  8  stereo; the surrounds are derived from L - R (the default)
//  9  as 6, with Ctr folded into L and R
// 10  as 6, with the surround gains swapped
// 11  L R Ls Rs Ctr Cs; Cs feeds the surround-difference path
#pragma once

#include <wdm.h>

#include "channel_layout.h"

constexpr ULONG SlotBit(KOVASlot slot) { return 1u << slot; }

constexpr ULONG kFront = SlotBit(SlotL) | SlotBit(SlotR);
constexpr ULONG kSides = SlotBit(SlotLs) | SlotBit(SlotRs);
constexpr ULONG kCtr = SlotBit(SlotCtr);
constexpr ULONG kLFE = SlotBit(SlotLFE);
constexpr ULONG kCs = SlotBit(SlotCs);

struct SourceLayoutMode {
    ULONG presentSlots;
    USHORT centreFlag;
    float centerPathGain;
    float surroundDiffGain;
    float surroundSumGain;
};

constexpr float kDiffGain = 0.63f;

inline constexpr SourceLayoutMode kSourceLayoutModes[] = {
    // present slots                    centre          CenterPath         SurroundDiff          SurroundSum
    {kCtr | kLFE,                           0,              0.355f,               2.82f,              0.282f},  //  0
    {kFront | kLFE,                         0,              0.355f,               2.82f,              0.282f},  //  1
    {kFront | kLFE | kCs,                   0,              0.355f,            0.35532f,               1.41f},  //  2
    {kFront | kSides | kLFE,                0,              0.355f,               2.82f,              0.282f},  //  3
    {kFront | kCtr | kLFE,                  1,               0.71f,               2.82f,              0.282f},  //  4
    {kFront | kCtr | kLFE | kCs,            1,               0.71f,            0.35532f,               1.41f},  //  5
    {kFront | kSides | kCtr | kLFE,         1,               0.71f,               2.82f,              0.282f},  //  6
    {kFront | kSides | kCtr | kLFE | kCs,   1,               0.71f,               2.82f, 0.7078199469375619f},  //  7
    {kFront | kLFE,                         0,              0.355f,            0.35532f,               1.41f},  //  8
    {kFront | kSides | kCtr | kLFE,         0,  0.252049984765053f,               2.82f,              0.282f},  //  9
    {kFront | kSides | kCtr | kLFE,         1,               0.71f,              0.282f,               2.82f},  // 10
    {kFront | kSides | kCtr | kCs,          1,               0.71f,               2.82f,              0.282f},  // 11
};

constexpr ULONG kSourceLayoutModeCount = sizeof(kSourceLayoutModes) / sizeof(kSourceLayoutModes[0]);
static_assert(kSourceLayoutModeCount == 12);

// The gains are single-precision floats: 0.282, 0.35532 and the longer
// decimals for 0.25205 and 0.70782, which round one step below those two.
static_assert(0.282f == static_cast<float>(0.28199999752640714));
static_assert(0.35532f == static_cast<float>(0.35531999730348574));
static_assert(kSourceLayoutModes[9].centerPathGain == static_cast<float>(0.252049984765053));
static_assert(kSourceLayoutModes[9].centerPathGain < 0.25205f);
static_assert(kSourceLayoutModes[7].surroundSumGain == static_cast<float>(0.7078199469375619));
