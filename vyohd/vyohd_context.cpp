#include "vyohd_context.h"

namespace vyohd {

void VYOHDContext::Initialize()
{
    subvia.state = NULL;
    elevoLeft.state = NULL;
    elevoRight.state = NULL;
    limiter.state = NULL;
    qel3d.state = NULL;
    nitidaLeft.state = NULL;
    nitidaRight.state = NULL;
    stateBlock = NULL;

    enable.Store(1);
    inputGain.Store(0.5f);
    outputGain.Store(1.0f);
    bypassGain.Store(0.5f);
    subvia.LoadDefaults();
    elevoLeft.LoadDefaults();
    elevoRight.LoadDefaults();
    limiter.LoadDefaults();
    qel3d.LoadDefaults();
    nitidaLeft.LoadDefaults();
    nitidaRight.LoadDefaults();
}

NTSTATUS VYOHDContext::SetEnable(LONG value)
{
    if (value != 0 && value != 1) {
        return STATUS_INVALID_PARAMETER;
    }
    enable.Store(value);
    return STATUS_SUCCESS;
}

void VYOHDContext::CopyParametersFrom(const VYOHDContext& source)
{
    SetEnable(source.enable.Load());
    inputGain.Store(source.inputGain.Load());
    outputGain.Store(source.outputGain.Load());
    bypassGain.Store(source.bypassGain.Load());
    subvia.CopyFrom(source.subvia);
    elevoLeft.CopyFrom(source.elevoLeft);
    elevoRight.CopyFrom(source.elevoRight);
    limiter.CopyFrom(source.limiter);
    qel3d.CopyFrom(source.qel3d);
    nitidaLeft.CopyFrom(source.nitidaLeft);
    nitidaRight.CopyFrom(source.nitidaRight);
}

void VYOHDContext::Reinitialize(RateClass rateClass, VYOHDStateBlock* block)
{
    subvia.Reinitialize(rateClass, &block->subvia);
    elevoLeft.Reinitialize(rateClass, &block->elevoLeft);
    elevoRight.Reinitialize(rateClass, &block->elevoRight);
    limiter.Reinitialize(rateClass, &block->limiter);
    qel3d.Reinitialize(rateClass, &block->qel3d);
    nitidaLeft.Reinitialize(rateClass, &block->nitidaLeft);
    nitidaRight.Reinitialize(rateClass, &block->nitidaRight);
    stateBlock = block;
    CopyParametersFrom(*this);
}

}  // namespace vyohd
