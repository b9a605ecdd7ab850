#include "vyohd_manager.h"

#include <new>

#include "allocate_zeroed_pool.h"
#include "floating_point_guard.h"
#include "mutex_guard.h"
#include "pool_tags.h"
#include "vyohd_parameters.h"
#include "vyohd_stream.h"

namespace vyohd {

VYOHDManagerObject::VYOHDManagerObject(VYOHDContext* context) : m_Context(context)
{
    KeInitializeMutex(&m_Mutex, 0);
    InitializeListHead(&m_Streams);
}

VYOHDManagerObject* VYOHDManagerObject::Create()
{
    PVOID memory = AllocateZeroedPool(sizeof(VYOHDManagerObject), NonPagedPool, kVYOHDManagerTag);
    if (memory == NULL) {
        return NULL;
    }
    PVOID contextMemory = ExAllocatePoolWithTag(NonPagedPool, sizeof(VYOHDContext), kVYOHDContextTag);
    if (contextMemory == NULL) {
        ExFreePool(memory);
        return NULL;
    }
    VYOHDContext* context = new (contextMemory) VYOHDContext;
    context->Initialize();
    VYOHDManagerObject* manager = new (memory) VYOHDManagerObject(context);
    manager->SetInputGain(1.0f);
    manager->SetOutputGain(1.0f);
    return manager;
}

// Frees the context; the streams are the caller's to release first.
VYOHDManager* NTAPI VYOHDManagerObject::Destroy(ULONG flags)
{
    ExFreePoolWithTag(m_Context, kVYOHDContextTag);
    m_Context = NULL;
    this->~VYOHDManagerObject();
    if (flags & 1) {
        ExFreePool(this);
    }
    return this;
}

VOID NTAPI VYOHDManagerObject::Release()
{
    Destroy(1);
}

VYOHDStream* NTAPI VYOHDManagerObject::CreateStream()
{
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status())) {
        return NULL;
    }
    return VYOHDStreamObject::Create(this);
}

VOID VYOHDManagerObject::AddStream(StreamListEntry* entry, VYOHDContext* streamContext)
{
    MutexGuard guard(&m_Mutex);
    streamContext->CopyParametersFrom(*m_Context);
    InsertTailList(&m_Streams, &entry->link);
}

VOID VYOHDManagerObject::RemoveStream(StreamListEntry* entry)
{
    MutexGuard guard(&m_Mutex);
    RemoveEntryList(&entry->link);
}

VOID VYOHDManagerObject::ReformatStream(VYOHDContext* streamContext, RateClass rateClass, VYOHDStateBlock* stateBlock)
{
    MutexGuard guard(&m_Mutex);
    streamContext->CopyParametersFrom(*m_Context);
    streamContext->Reinitialize(rateClass, stateBlock);
}

// Stores a validated change in the manager's context, then in every
// stream's context, in list order.
template <typename Apply>
NTSTATUS VYOHDManagerObject::Distribute(Apply apply)
{
    apply(*m_Context);
    MutexGuard guard(&m_Mutex);
    for (PLIST_ENTRY link = m_Streams.Flink; link != &m_Streams; link = link->Flink) {
        apply(*CONTAINING_RECORD(link, StreamListEntry, link)->stream->Context());
    }
    return STATUS_SUCCESS;
}

// --- Enable and LimiterEnable: 0 and 1 apply; any other byte changes nothing.

BOOLEAN NTAPI VYOHDManagerObject::GetEnable()
{
    return static_cast<BOOLEAN>(m_Context->enable.Load());
}

NTSTATUS NTAPI VYOHDManagerObject::SetEnable(UCHAR value)
{
    if (value > 1) {
        return STATUS_SUCCESS;
    }
    return Distribute([value](VYOHDContext& context) { context.SetEnable(value); });
}

BOOLEAN NTAPI VYOHDManagerObject::GetLimiterEnable()
{
    return static_cast<BOOLEAN>(m_Context->limiter.enable.Load());
}

NTSTATUS NTAPI VYOHDManagerObject::SetLimiterEnable(UCHAR value)
{
    if (value > 1) {
        return STATUS_SUCCESS;
    }
    return Distribute([value](VYOHDContext& context) { context.limiter.SetEnable(value); });
}

// --- 3D

ULONG NTAPI VYOHDManagerObject::GetQELSize()
{
    return m_Context->qel3d.sizeFlag.Load();
}

// A size above 1 is ignored, and reported as success.
NTSTATUS NTAPI VYOHDManagerObject::SetQELSize(ULONG value)
{
    if (value > 1) {
        return STATUS_SUCCESS;
    }
    return Distribute([value](VYOHDContext& context) { context.qel3d.SetSizeFlag(value); });
}

ULONG NTAPI VYOHDManagerObject::GetQELMode()
{
    return m_Context->qel3d.mode.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetQELMode(ULONG value)
{
    if (value > kVYOHDQELModeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.qel3d.SetMode(value); });
}

float NTAPI VYOHDManagerObject::GetQELWidth()
{
    return m_Context->qel3d.width.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetQELWidth(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.qel3d.SetWidth(value); });
}

float NTAPI VYOHDManagerObject::GetCenterLevel()
{
    return m_Context->qel3d.centerLevel.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetCenterLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.qel3d.SetCenterLevel(value); });
}

// --- Subvia

float NTAPI VYOHDManagerObject::GetSubviaLevel()
{
    return m_Context->subvia.level.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetSubviaLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.subvia.SetLevel(value); });
}

ULONG NTAPI VYOHDManagerObject::GetSubviaSize()
{
    return m_Context->subvia.size.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetSubviaSize(ULONG value)
{
    if (value > kVYOHDSubviaSizeMaximum) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.subvia.SetSize(value); });
}

// --- Elevo and Nitida: one value for both channels; the left record answers.

float NTAPI VYOHDManagerObject::GetELEVOLevel()
{
    return m_Context->elevoLeft.level.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetELEVOLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) {
        context.elevoLeft.SetLevel(value);
        context.elevoRight.SetLevel(value);
    });
}

float NTAPI VYOHDManagerObject::GetNitidaLevel()
{
    return m_Context->nitidaLeft.storedLevel.Load() * 4.0f;
}

NTSTATUS NTAPI VYOHDManagerObject::SetNitidaLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDNitidaLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    const float stored = value * 0.25f;
    return Distribute([stored](VYOHDContext& context) {
        context.nitidaLeft.SetStoredLevel(stored);
        context.nitidaRight.SetStoredLevel(stored);
    });
}

// --- Limiter

float NTAPI VYOHDManagerObject::GetLimiterLevel()
{
    return m_Context->limiter.level.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetLimiterLevel(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDLevelMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.limiter.SetLevel(value); });
}

// --- Gains

float NTAPI VYOHDManagerObject::GetInputGain()
{
    return m_Context->inputGain.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetInputGain(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDGainMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.inputGain.Store(value); });
}

float NTAPI VYOHDManagerObject::GetOutputGain()
{
    return m_Context->outputGain.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetOutputGain(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDGainMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.outputGain.Store(value); });
}

float NTAPI VYOHDManagerObject::GetBypassGain()
{
    return m_Context->bypassGain.Load();
}

NTSTATUS NTAPI VYOHDManagerObject::SetBypassGain(float value)
{
    if (!IsWithinZeroTo(value, kVYOHDGainMaximum)) {
        return STATUS_INVALID_PARAMETER;
    }
    return Distribute([value](VYOHDContext& context) { context.bypassGain.Store(value); });
}

}  // namespace vyohd
