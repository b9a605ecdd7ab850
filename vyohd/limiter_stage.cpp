#include "limiter_stage.h"

#include "limiter_tables.h"
#include "vyohd_parameters.h"

namespace vyohd {

namespace {

constexpr float kThreshold = 0.25f;
constexpr float kReductionSlope = 0.2f;

inline float Abs(float x)
{
    return x < 0.0f ? -x : x;
}

}  // namespace

void LimiterStage::LoadDefaults()
{
    enable.Store(kVYOHDDefaultLimiterEnable);
    level.Store(kVYOHDDefaultLimiterLevel);
}

NTSTATUS LimiterStage::SetEnable(LONG value)
{
    if (value != 0 && value != 1) {
        return STATUS_INVALID_PARAMETER;
    }
    enable.Store(value);
    return STATUS_SUCCESS;
}

NTSTATUS LimiterStage::SetLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    level.Store(value);
    return STATUS_SUCCESS;
}

void LimiterStage::CopyFrom(const LimiterStage& source)
{
    SetEnable(source.enable.Load());
    SetLevel(source.level.Load());
}

void LimiterStage::Reinitialize(RateClass rateClass, LimiterState* stateBlockPart)
{
    stateBlockPart->gain = 1.0f;
    stateBlockPart->release = kLimiterRelease[rateClass].r;
    state = stateBlockPart;
}

void LimiterStage::Process(float* left, float* right, LONG n)
{
    const float floor = 1.0f - 0.75f * level.Load();
    const float r = state->release;
    float g = state->gain;
    for (LONG i = 0; i < n; ++i) {
        const float inLeft = left[i];
        const float inRight = right[i];
        left[i] = g * inLeft;
        right[i] = g * inRight;
        const float magnitudeLeft = Abs(left[i]);
        const float magnitudeRight = Abs(right[i]);
        const float f = magnitudeLeft > magnitudeRight ? magnitudeLeft : magnitudeRight;
        if (f > kThreshold) {
            // Reduce within the same sample, in proportion to the overshoot.
            g = g * (1.0f - kReductionSlope * (f - kThreshold));
            if (g < floor) {
                g = floor;
            }
            left[i] = g * inLeft;
            right[i] = g * inRight;
        } else if (g < 1.0f) {
            g = g + r * g;
            if (g > 1.0f) {
                g = 1.0f;
            }
        }
    }
    state->gain = g;
}

}  // namespace vyohd
