// The VYO HD parameters in the registry, under a key the caller opened:
// the two switches, the eight levels and gains (their floats' bytes), then
// the three choices. Loading reads the same values in the same order and
// hands each well-formed one to its setter, which validates it and passes
// it on to every stream. BypassGain is not persisted.

#include "parameter_persistence.h"
#include "vyohd_manager.h"

namespace vyohd {

namespace {

using M = VYOHDManager;

constexpr BoolParameter<M, UCHAR> kSwitches[] = {
    {L"Enable", &M::GetEnable, &M::SetEnable},
    {L"LimiterEnable", &M::GetLimiterEnable, &M::SetLimiterEnable},
};

constexpr FloatParameter<M> kLevels[] = {
    {L"ELEVOLevel", &M::GetELEVOLevel, &M::SetELEVOLevel},
    {L"NitidaLevel", &M::GetNitidaLevel, &M::SetNitidaLevel},
    {L"SubviaLevel", &M::GetSubviaLevel, &M::SetSubviaLevel},
    {L"QELWidth", &M::GetQELWidth, &M::SetQELWidth},
    {L"InputGain", &M::GetInputGain, &M::SetInputGain},
    {L"OutputGain", &M::GetOutputGain, &M::SetOutputGain},
    {L"LimiterLevel", &M::GetLimiterLevel, &M::SetLimiterLevel},
    {L"CenterLevel", &M::GetCenterLevel, &M::SetCenterLevel},
};

constexpr DwordParameter<M> kChoices[] = {
    {L"QELSize", DwordGetter<&M::GetQELSize>, DwordSetter<&M::SetQELSize>},
    {L"SubviaSize", DwordGetter<&M::GetSubviaSize>, DwordSetter<&M::SetSubviaSize>},
    {L"QELMode", DwordGetter<&M::GetQELMode>, DwordSetter<&M::SetQELMode>},
};

}  // namespace

// Write failures are not reported: the next save writes every value again.
NTSTATUS NTAPI VYOHDManagerObject::SaveSettings(HANDLE key)
{
    SaveParameters(key, static_cast<M*>(this), kSwitches, kLevels, kChoices);
    return STATUS_SUCCESS;
}

// A missing, malformed or refused value leaves its parameter as it was.
NTSTATUS NTAPI VYOHDManagerObject::LoadSettings(HANDLE key)
{
    LoadParameters(key, static_cast<M*>(this), kSwitches, kLevels, kChoices);
    return STATUS_SUCCESS;
}

}  // namespace vyohd
