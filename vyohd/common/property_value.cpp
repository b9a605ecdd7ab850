#include "property_value.h"

#include <math.h>

LONG PercentFromLevel(float level)
{
    const float percent = (level + 0.005f) * 100.0f;
    return static_cast<LONG>(percent);
}

float LevelFromPercent(ULONG percent)
{
    return static_cast<float>(percent) * 0.01f;
}

LONG DecibelsFromGain(float gain)
{
    // Beyond the float range no gain is stored; FLT_MAX is about 770 dB.
    if (!(gain > 0.0f) || isinf(gain)) {
        return kZeroGainDecibels;
    }
    const double decibels = 20.0 * log10(static_cast<double>(gain));
    return static_cast<LONG>(decibels >= 0.0 ? decibels + 0.5 : decibels - 0.5);
}

BOOLEAN GainFromDecibels(LONG decibels, float* gain)
{
    if (decibels == kZeroGainDecibels) {
        *gain = 0.0f;
        return TRUE;
    }
    if (decibels < kLowestGainDecibels || decibels > kHighestGainDecibels) {
        return FALSE;
    }
    *gain = powf(10.0f, static_cast<float>(decibels) * 0.05f);
    return TRUE;
}
