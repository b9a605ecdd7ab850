#include "elevo_stage.h"

#include "elevo_tables.h"
#include "filter_runs.h"
#include "vyohd_parameters.h"

namespace vyohd {

void ElevoStage::LoadDefaults()
{
    enable.Store(1);
    level.Store(kVYOHDDefaultELEVOLevel);
}

NTSTATUS ElevoStage::SetEnable(LONG value)
{
    if (value != 0 && value != 1) {
        return STATUS_INVALID_PARAMETER;
    }
    enable.Store(value);
    return STATUS_SUCCESS;
}

NTSTATUS ElevoStage::SetLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    level.Store(value);
    return STATUS_SUCCESS;
}

void ElevoStage::CopyFrom(const ElevoStage& source)
{
    SetEnable(source.enable.Load());
    SetLevel(source.level.Load());
}

void ElevoStage::Reinitialize(RateClass rateClass, ElevoState* stateBlockPart)
{
    ElevoState& s = *stateBlockPart;
    s.set = &kElevoSets[rateClass].set;
    s.s = 0.0f;
    s.denormals.Reset();
    s.denormals.Append(&s.s);
    state = stateBlockPart;
}

void ElevoStage::Process(float* x, LONG n)
{
    RunFirstOrder(state->set, state->s, x, n);
    const float lvl = level.Load();
    for (LONG i = 0; i < n; ++i) {
        x[i] = lvl * x[i];
    }
    state->denormals.Step();
}

}  // namespace vyohd
