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

template <typename Value, typename Apply>
NTSTATUS KOVAManagerObject::StoreAndBroadcast(SharedWord<Value>& field, Value value, Apply apply)
{
    field.Store(value);
    Broadcast([value, apply](KOVAState& state) { apply(state, value); });
    return STATUS_SUCCESS;
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
    return StoreAndBroadcast(m_Params.Enable, LowByte(value),
                             [](KOVAState& state, USHORT enable) { state.core.SetEnable(enable); });
}

BOOLEAN NTAPI KOVAManagerObject::GetHeadphone() { return m_Params.Headphone.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetHeadphone(ULONG value)
{
    return StoreAndBroadcast(m_Params.Headphone, LowByte(value),
                             [](KOVAState& state, USHORT headphone) { state.core.SetHeadphone(headphone); });
}

BOOLEAN NTAPI KOVAManagerObject::GetElevoEnable() { return m_Params.ElevoEnable.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetElevoEnable(ULONG value)
{
    return StoreAndBroadcast(m_Params.ElevoEnable, LowByte(value),
                             [](KOVAState& state, USHORT enable) { state.core.elevo.SetEnable(enable); });
}

BOOLEAN NTAPI KOVAManagerObject::GetSubviaEnable() { return m_Params.SubviaEnable.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaEnable(ULONG value)
{
    return StoreAndBroadcast(m_Params.SubviaEnable, LowByte(value),
                             [](KOVAState& state, USHORT enable) { state.subviaFront.SetEnable(enable); });
}

BOOLEAN NTAPI KOVAManagerObject::GetSubviaSubEnable() { return m_Params.SubviaSubEnable.Load() != 0; }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSubEnable(ULONG value)
{
    return StoreAndBroadcast(m_Params.SubviaSubEnable, LowByte(value),
                             [](KOVAState& state, USHORT enable) { state.subviaSub.SetEnable(enable); });
}

// ---------------------------------------------------------------------------
// Modes and sizes

LONG NTAPI KOVAManagerObject::GetKVHDMode() { return m_Params.KVHDMode.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetKVHDMode(LONG mode)
{
    if (mode < 0 || mode > kKOVAModeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.KVHDMode, mode,
                             [](KOVAState& state, LONG mode) { state.core.SetMode(static_cast<ULONG>(mode)); });
}

LONG NTAPI KOVAManagerObject::GetOutputMode() { return m_Params.OutputMode.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetOutputMode(LONG mode)
{
    if (mode < 0 || mode > kKOVAOutputModeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.OutputMode, mode,
                             [](KOVAState& state, LONG mode) { state.core.SetOutputMode(mode); });
}

ULONG NTAPI KOVAManagerObject::GetSubviaSize() { return m_Params.SubviaSize.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSize(ULONG size)
{
    if (size > kKOVASubviaSizeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.SubviaSize, size,
                             [](KOVAState& state, ULONG size) { state.subviaFront.SetSize(size); });
}

ULONG NTAPI KOVAManagerObject::GetSubviaSubSize() { return m_Params.SubviaSubSize.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSubSize(ULONG size)
{
    if (size > kKOVASubviaSizeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.SubviaSubSize, size,
                             [](KOVAState& state, ULONG size) { state.subviaSub.SetSize(size); });
}

ULONG NTAPI KOVAManagerObject::GetCrossoverSelect() { return m_Params.CrossoverSelect.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetCrossoverSelect(ULONG select)
{
    if (select > kKOVACrossoverSelectMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.CrossoverSelect, select,
                             [](KOVAState& state, ULONG select) { state.output.SetCrossoverSelect(select); });
}

// ---------------------------------------------------------------------------
// Levels 0.0 .. 1.0

float NTAPI KOVAManagerObject::GetElevoLevel() { return m_Params.ElevoLevel.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetElevoLevel(float level)
{
    if (!IsKOVAUnitLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.ElevoLevel, level,
                             [](KOVAState& state, float level) { state.core.elevo.SetLevel(level); });
}

float NTAPI KOVAManagerObject::GetSubviaLevel() { return m_Params.SubviaLevel.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaLevel(float level)
{
    if (!IsKOVAUnitLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.SubviaLevel, level,
                             [](KOVAState& state, float level) { state.subviaFront.SetLevel(level); });
}

float NTAPI KOVAManagerObject::GetSubviaSubLevel() { return m_Params.SubviaSubLevel.Load(); }

NTSTATUS NTAPI KOVAManagerObject::SetSubviaSubLevel(float level)
{
    if (!IsKOVAUnitLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.SubviaSubLevel, level,
                             [](KOVAState& state, float level) { state.subviaSub.SetLevel(level); });
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
    return StoreAndBroadcast(m_Params.FrontPresence, level,
                             [](KOVAState& state, float level) { state.output.SetFrontPresence(level); });
}

float KOVAManagerObject::GetCenterPresence() { return m_Params.CenterPresence.Load(); }

NTSTATUS KOVAManagerObject::SetCenterPresence(float level)
{
    if (!IsKOVAPresenceLevel(level)) {
        return STATUS_INVALID_PARAMETER;
    }
    return StoreAndBroadcast(m_Params.CenterPresence, level,
                             [](KOVAState& state, float level) { state.output.SetCenterPresence(level); });
}
