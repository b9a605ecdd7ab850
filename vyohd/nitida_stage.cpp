#include "nitida_stage.h"

#include "filter_runs.h"
#include "nitida_tables.h"
#include "vyohd_parameters.h"

namespace vyohd {

void NitidaStage::LoadDefaults()
{
    enable.Store(1);
    storedLevel.Store(kVYOHDDefaultNitidaLevel * 0.25f);
}

NTSTATUS NitidaStage::SetEnable(LONG value)
{
    if (value != 0 && value != 1) {
        return STATUS_INVALID_PARAMETER;
    }
    enable.Store(value);
    return STATUS_SUCCESS;
}

NTSTATUS NitidaStage::SetStoredLevel(float value)
{
    if (!IsWithinZeroTo(value, 1.0f)) {
        return STATUS_INVALID_PARAMETER;
    }
    storedLevel.Store(value);
    return STATUS_SUCCESS;
}

void NitidaStage::CopyFrom(const NitidaStage& source)
{
    SetEnable(source.enable.Load());
    SetStoredLevel(source.storedLevel.Load());
}

void NitidaStage::Reinitialize(RateClass rateClass, NitidaState* stateBlockPart)
{
    NitidaState& s = *stateBlockPart;
    s.set = &kNitidaSets[rateClass].set;
    s.s[0] = 0.0f;
    s.s[1] = 0.0f;
    s.denormals.Reset();
    s.denormals.Append(&s.s[0]);
    s.denormals.Append(&s.s[1]);
    state = stateBlockPart;
}

void NitidaStage::Process(float* x, LONG n)
{
    RunBiquad(state->set, state->s[0], state->s[1], x, x, n);
    const float gain = storedLevel.Load() * 4.0f;
    for (LONG i = 0; i < n; ++i) {
        x[i] = gain * x[i];
    }
    state->denormals.Step();
}

}  // namespace vyohd
