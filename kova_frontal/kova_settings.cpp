// The KOVA parameters in the registry, under a key the caller opened: the
// five switches, the five levels and gains (their floats' bytes), then the
// four modes and sizes. Loading reads the same values in the same order and
// hands each well-formed one to its setter, which validates it and passes
// it on to every stream. The speaker-group gains, presence levels and the
// crossover are not persisted.

#include "kova_manager.h"
#include "parameter_persistence.h"

namespace {

using M = KOVAManager;

constexpr BoolParameter<M, ULONG> kSwitches[] = {
    {L"Enable", &M::GetEnable, &M::SetEnable},
    {L"Headphone", &M::GetHeadphone, &M::SetHeadphone},
    {L"ElevoEnable", &M::GetElevoEnable, &M::SetElevoEnable},
    {L"SubviaEnable", &M::GetSubviaEnable, &M::SetSubviaEnable},
    {L"SubviaSubEnable", &M::GetSubviaSubEnable, &M::SetSubviaSubEnable},
};

constexpr FloatParameter<M> kLevels[] = {
    {L"ElevoLevel", &M::GetElevoLevel, &M::SetElevoLevel},
    {L"SubviaLevel", &M::GetSubviaLevel, &M::SetSubviaLevel},
    {L"InputGain", &M::GetInputGain, &M::SetInputGain},
    {L"OutputGain", &M::GetOutputGain, &M::SetOutputGain},
    {L"SubviaSubLevel", &M::GetSubviaSubLevel, &M::SetSubviaSubLevel},
};

constexpr DwordParameter<M> kChoices[] = {
    {L"KVHDMode", DwordGetter<&M::GetKVHDMode>, DwordSetter<&M::SetKVHDMode>},
    {L"SubviaSize", DwordGetter<&M::GetSubviaSize>, DwordSetter<&M::SetSubviaSize>},
    {L"SubviaSubSize", DwordGetter<&M::GetSubviaSubSize>, DwordSetter<&M::SetSubviaSubSize>},
    {L"OutputMode", DwordGetter<&M::GetOutputMode>, DwordSetter<&M::SetOutputMode>},
};

}  // namespace

// Write failures are not reported: the next save writes every value again.
NTSTATUS NTAPI KOVAManagerObject::SaveSettings(HANDLE key)
{
    SaveParameters(key, static_cast<M*>(this), kSwitches, kLevels, kChoices);
    return STATUS_SUCCESS;
}

// A missing, malformed or refused value leaves its parameter as it was.
NTSTATUS NTAPI KOVAManagerObject::LoadSettings(HANDLE key)
{
    LoadParameters(key, static_cast<M*>(this), kSwitches, kLevels, kChoices);
    return STATUS_SUCCESS;
}
