#include "kova_property_encodings.h"

#include <math.h>

#include "property_value.h"

LONG KOVAPercentFromLevel(float level)
{
    const float rounded = level + 0.005f;
    return static_cast<LONG>(static_cast<double>(rounded) * 100.0);
}

float KOVALevelFromPercent(ULONG percent)
{
    return static_cast<float>(static_cast<double>(percent) / 100.0);
}

BOOLEAN KOVAGainFromDecibels(LONG decibels, float* gain)
{
    if (decibels == kZeroGainDecibels) {
        *gain = 0.0f;
        return TRUE;
    }
    if (decibels < kLowestGainDecibels || decibels > kHighestGainDecibels) {
        return FALSE;
    }
    *gain = static_cast<float>(pow(10.0, static_cast<double>(decibels) / 20.0));
    return TRUE;
}

LONG QuarterPercentFromPresence(float level)
{
    return static_cast<LONG>(static_cast<double>(level) * 25.0);
}

float PresenceFromQuarterPercent(ULONG quarterPercent)
{
    return static_cast<float>(static_cast<double>(quarterPercent) / 25.0);
}
