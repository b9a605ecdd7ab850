#include "rate_class.h"

namespace vyohd {

namespace {

struct RateBound {
    ULONG atMost;  // nSamplesPerSec
    RateClass rateClass;
};

constexpr RateBound kRateBounds[] = {
    {9391, RateClass8000},
    {13282, RateClass11025},
    {18783, RateClass16000},
    {23004, RateClass22050},
    {27712, RateClass24000},
    {37566, RateClass32000},
    {46008, RateClass44100},
    {67882, RateClass48000},
};

}  // namespace

RateClass SelectRateClass(ULONG samplesPerSec)
{
    for (const RateBound& bound : kRateBounds) {
        if (samplesPerSec <= bound.atMost) {
            return bound.rateClass;
        }
    }
    return RateClass96000;
}

}  // namespace vyohd
