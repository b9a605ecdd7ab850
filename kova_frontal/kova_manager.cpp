#include "kova_manager.h"

#include <new>

#include "allocate_zeroed_pool.h"
#include "kova_pool_tags.h"
#include "kova_stream.h"

// ---------------------------------------------------------------------------
// Life cycle

KOVAManagerObject* KOVAManagerObject::Create()
{
    PVOID block = AllocateZeroedPool(sizeof(KOVAManagerObject), NonPagedPool, kKOVAManagerTag);
    if (block == NULL) {
        return NULL;
    }
    KOVAManagerObject* manager = new (block) KOVAManagerObject();
    KeInitializeMutex(&manager->m_Mutex, 0);
    InitializeListHead(&manager->m_Streams);
    LoadKOVADefaults(&manager->m_Params);
    manager->m_InputGain.Store(kKOVADefaultInputGain);
    manager->m_OutputGain.Store(kKOVADefaultOutputGain);
    return manager;
}

// The streams are not touched: the owner releases them first.
KOVAManager* NTAPI KOVAManagerObject::Destroy(ULONG flags)
{
    if ((flags & 1) != 0) {
        ExFreePool(this);
    }
    return this;
}

void NTAPI KOVAManagerObject::Release()
{
    Destroy(1);
}

KOVAStream* NTAPI KOVAManagerObject::CreateStream()
{
    KOVAStreamObject* stream = KOVAStreamObject::Create(this);
    if (stream == NULL) {
        return NULL;
    }
    MutexGuard guard(&m_Mutex);
    InsertTailList(&m_Streams, stream->ListEntry());
    return stream;
}

void KOVAManagerObject::UnlinkStream(KOVAStreamLink* link)
{
    MutexGuard guard(&m_Mutex);
    RemoveEntryList(&link->entry);
}

template <typename Apply>
void KOVAManagerObject::Broadcast(Apply apply)
{
    MutexGuard guard(&m_Mutex);
    for (PLIST_ENTRY entry = m_Streams.Flink; entry != &m_Streams; entry = entry->Flink) {
        apply(KOVAStreamObject::FromLink(entry)->State());
    }
}

// ---------------------------------------------------------------------------
// Switches: the low 8 bits of the argument are stored; any nonzero byte is on.

namespace {

USHORT LowByte(ULONG value)
{
    return static_cast<USHORT>(value & 0xFF);
}

}  // namespace

BOOLEAN NTAPI KOVAManagerObject::GetEnable() { return m_Params.Enable.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetEnable(ULONG value)
{
    const USHORT enable = LowByte(value);
    m_Params.Enable.Store(enable);
    Broadcast([enable](KOVAState& state) { state.core.SetEnable(enable); });
    return STATUS_SUCCESS;
}

BOOLEAN NTAPI KOVAManagerObject::GetHeadphone() { return m_Params.Headphone.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetHeadphone(ULONG value)
{
    const USHORT headphone = LowByte(value);
    m_Params.Headphone.Store(headphone);
    Broadcast([headphone](KOVAState& state) { state.core.SetHeadphone(headphone); });
    return STATUS_SUCCESS;
}

BOOLEAN NTAPI KOVAManagerObject::GetElevoEnable() { return m_Params.ElevoEnable.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetElevoEnable(ULONG value)
{
    const USHORT enable = LowByte(value);
    m_Params.ElevoEnable.Store(enable);
    Broadcast([enable](KOVAState& state) { state.core.elevo.SetEnable(enable); });
    return STATUS_SUCCESS;
}

BOOLEAN NTAPI KOVAManagerObject::GetSubviaEnable() { return m_Params.SubviaEnable.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaEnable(ULONG value)
{
    const USHORT enable = LowByte(value);
    m_Params.SubviaEnable.Store(enable);
    Broadcast([enable](KOVAState& state) { state.subviaFront.SetEnable(enable); });
    return STATUS_SUCCESS;
}

BOOLEAN NTAPI KOVAManagerObject::GetSubviaSubEnable() { return m_Params.SubviaSubEnable.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSubEnable(ULONG value)
{
    const USHORT enable = LowByte(value);
    m_Params.SubviaSubEnable.Store(enable);
    Broadcast([enable](KOVAState& state) { state.subviaSub.SetEnable(enable); });
    return STATUS_SUCCESS;
}

// ---------------------------------------------------------------------------
// Modes and sizes

LONG NTAPI KOVAManagerObject::GetKVHDMode() { return m_Params.KVHDMode.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetKVHDMode(LONG mode)
{
    if (mode < 0 || mode > kKOVAModeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.KVHDMode.Store(mode);
    Broadcast([mode](KOVAState& state) { state.core.SetMode(static_cast<ULONG>(mode)); });
    return STATUS_SUCCESS;
}

LONG NTAPI KOVAManagerObject::GetOutputMode() { return m_Params.OutputMode.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetOutputMode(LONG mode)
{
    if (mode < 0 || mode > kKOVAOutputModeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.OutputMode.Store(mode);
    Broadcast([mode](KOVAState& state) { state.core.SetOutputMode(mode); });
    return STATUS_SUCCESS;
}

ULONG NTAPI KOVAManagerObject::GetSubviaSize() { return m_Params.SubviaSize.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSize(ULONG size)
{
    if (size > kKOVASubviaSizeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.SubviaSize.Store(size);
    Broadcast([size](KOVAState& state) { state.subviaFront.SetSize(size); });
    return STATUS_SUCCESS;
}

ULONG NTAPI KOVAManagerObject::GetSubviaSubSize() { return m_Params.SubviaSubSize.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSubSize(ULONG size)
{
    if (size > kKOVASubviaSizeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.SubviaSubSize.Store(size);
    Broadcast([size](KOVAState& state) { state.subviaSub.SetSize(size); });
    return STATUS_SUCCESS;
}

ULONG NTAPI KOVAManagerObject::GetCrossoverSelect() { return m_Params.CrossoverSelect.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetCrossoverSelect(ULONG select)
{
    if (select > kKOVACrossoverSelectMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.CrossoverSelect.Store(select);
    Broadcast([select](KOVAState& state) { state.output.SetCrossoverSelect(select); });
    return STATUS_SUCCESS;
}

// ---------------------------------------------------------------------------
// Levels 0.0 .. 1.0

float NTAPI KOVAManagerObject::GetElevoLevel() { return m_Params.ElevoLevel.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetElevoLevel(float level)
{
    if (!IsKOVAUnitLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.ElevoLevel.Store(level);
    Broadcast([level](KOVAState& state) { state.core.elevo.SetLevel(level); });
    return STATUS_SUCCESS;
}

float NTAPI KOVAManagerObject::GetSubviaLevel() { return m_Params.SubviaLevel.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaLevel(float level)
{
    if (!IsKOVAUnitLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.SubviaLevel.Store(level);
    Broadcast([level](KOVAState& state) { state.subviaFront.SetLevel(level); });
    return STATUS_SUCCESS;
}

float NTAPI KOVAManagerObject::GetSubviaSubLevel() { return m_Params.SubviaSubLevel.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSubLevel(float level)
{
    if (!IsKOVAUnitLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.SubviaSubLevel.Store(level);
    Broadcast([level](KOVAState& state) { state.subviaSub.SetLevel(level); });
    return STATUS_SUCCESS;
}

// ---------------------------------------------------------------------------
// Input and output gain, 0.0 .. 2.0. The streams read both at every
// processing call, so there is nothing to broadcast.

float NTAPI KOVAManagerObject::GetInputGain() { return m_InputGain.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetInputGain(float gain)
{
    if (!IsKOVALinearGain(gain)) {
        return STATUS_INVALID_PARAMETER;
    }
    m_InputGain.Store(gain);
    return STATUS_SUCCESS;
}

float NTAPI KOVAManagerObject::GetOutputGain() { return m_OutputGain.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetOutputGain(float gain)
{
    if (!IsKOVALinearGain(gain)) {
        return STATUS_INVALID_PARAMETER;
    }
    m_OutputGain.Store(gain);
    return STATUS_SUCCESS;
}

// ---------------------------------------------------------------------------
// Speaker-group gains (any value) and presence levels (0.0 .. 4.0)

namespace {

SharedWord<float>* GroupGainField(KOVAParams& params, ULONG group)
{
    SharedWord<float>* const fields[] = {&params.FrontGain, &params.SurroundGain, &params.CenterGain,
                                   &params.SubwooferGain};
    return fields[group];
}

}  // namespace

NTSTATUS NTAPI KOVAManagerObject::GetSpeakerGroupGain(ULONG group, float* gain)
{
    if (gain == NULL || group > kKOVASpeakerGroupMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    *gain = GroupGainField(m_Params, group)->Load();
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI KOVAManagerObject::SetSpeakerGroupGain(ULONG group, float gain)
{
    if (group > kKOVASpeakerGroupMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    GroupGainField(m_Params, group)->Store(gain);
    Broadcast([group, gain](KOVAState& state) { state.output.SetGroupGain(group, gain); });
    return STATUS_SUCCESS;
}

float KOVAManagerObject::GetFrontPresence() { return m_Params.FrontPresence.Load(); }

NTSTATUS KOVAManagerObject::SetFrontPresence(float level)
{
    if (!IsKOVAPresenceLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.FrontPresence.Store(level);
    Broadcast([level](KOVAState& state) { state.output.SetFrontPresence(level); });
    return STATUS_SUCCESS;
}

float KOVAManagerObject::GetCenterPresence() { return m_Params.CenterPresence.Load(); }

NTSTATUS KOVAManagerObject::SetCenterPresence(float level)
{
    if (!IsKOVAPresenceLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    m_Params.CenterPresence.Store(level);
    Broadcast([level](KOVAState& state) { state.output.SetCenterPresence(level); });
    return STATUS_SUCCESS;
}
