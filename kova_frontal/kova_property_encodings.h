// The wire encodings of the KOVA property set where they differ from the
// shared adapters: percent computed with a double product, decibels
// converted by 10^(dB / 20), and the presence levels in quarter-percent
// (level x 25). Decibel reads are the shared DecibelsFromGain.
//
// The caller has saved the floating-point state.
#pragma once

#include <wdm.h>

// trunc(f x 100.0) with f = level + 0.005 rounded to single precision.
LONG KOVAPercentFromLevel(float level);
// The wire value read as unsigned / 100.0, rounded to single precision: 150
// becomes 1.5 and -1 about 42.9 million, both outside every level range.
float KOVALevelFromPercent(ULONG percent);

// 10^(dB / 20) for -20..6, 0.0 for -999; FALSE for any other value.
BOOLEAN KOVAGainFromDecibels(LONG decibels, float* gain);

// Presence levels 0.0 .. 4.0 as 0 .. 100.
constexpr ULONG kQuarterPercentMax = 100;
LONG QuarterPercentFromPresence(float level);
float PresenceFromQuarterPercent(ULONG quarterPercent);
