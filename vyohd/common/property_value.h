// The value of an engine property on the wire: one 32-bit integer in the
// request's value buffer, and the conversions between the engines' floats
// and the integers the control panel shows (percent, whole decibels).
#pragma once

#include <wdm.h>

#include <ks.h>

inline BOOLEAN IsGetRequest(const KSPROPERTY* property)
{
    return (property->Flags & KSPROPERTY_TYPE_GET) != 0;
}

// The value buffer holds at least 4 bytes (every engine item's minimum).
inline ULONG ReadWireValue(const void* data)
{
    ULONG value;
    RtlCopyMemory(&value, data, sizeof(value));
    return value;
}

inline VOID WriteWireValue(void* data, ULONG value)
{
    RtlCopyMemory(data, &value, sizeof(value));
}

// Decibels on the wire: whole numbers from -20 to 6, and -999 for a gain of
// exactly 0 (silence has no decibel figure).
constexpr LONG kLowestGainDecibels = -20;
constexpr LONG kHighestGainDecibels = 6;
constexpr LONG kZeroGainDecibels = -999;

// The caller has saved the floating-point state.

// trunc((level + 0.005) x 100): the nearest percent, so that a level of
// 0.999 reads as 100.
LONG PercentFromLevel(float level);
// The wire value read as unsigned, x 0.01: -1 becomes about 42.9 million,
// far outside any level range.
float LevelFromPercent(ULONG percent);

// 20 log10(gain), rounded half away from zero; -999 for a gain of 0. A gain
// without a decibel figure (negative, NaN or infinite; only a setter without
// a range test can store one) reads as -999 too, never as an undefined
// conversion.
LONG DecibelsFromGain(float gain);
// 10^(decibels x 0.05) for -20..6, 0.0 for -999; FALSE for anything else.
BOOLEAN GainFromDecibels(LONG decibels, float* gain);
