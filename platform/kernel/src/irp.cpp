// Request packets: allocation, sending a request down a stack, completion
// with its completion routines, and requests built for kernel callers.

#include "irp.h"

#include <new>

#include "io_manager.h"
#include "pool_tags.h"
#include "sim/bugcheck.h"

namespace {

SIZE_T IrpBlockSize(CCHAR stackSize)
{
    return sizeof(sim::irp::IrpPrivate) + sizeof(IRP) + static_cast<SIZE_T>(stackSize) * sizeof(IO_STACK_LOCATION);
}

// The I/O manager's part of completion, once every stack location has been
// completed: copy what a buffered request returned, release the buffers and
// descriptors the I/O manager made, report the status and wake the waiter.
void FinishRequest(PIRP irp)
{
    sim::irp::IrpPrivate* priv = sim::irp::PrivateOf(irp);
    if (priv->owner == sim::irp::Owner::Driver) {
        sim::BugCheck("MULTIPLE_IRP_COMPLETE_REQUESTS",
                      "a driver-allocated request completed past its top without a completion routine that "
                      "takes it back (STATUS_MORE_PROCESSING_REQUIRED)");
    }
    const bool failed = NT_ERROR(irp->IoStatus.Status);
    if ((irp->Flags & IRP_BUFFERED_IO) && (irp->Flags & IRP_INPUT_OPERATION) && !failed &&
        irp->UserBuffer != nullptr) {
        const ULONG_PTR count =
            irp->IoStatus.Information < priv->outputLength ? irp->IoStatus.Information : priv->outputLength;
        memcpy(irp->UserBuffer, irp->AssociatedIrp.SystemBuffer, count);
    }
    if ((irp->Flags & IRP_DEALLOCATE_BUFFER) && irp->AssociatedIrp.SystemBuffer != nullptr) {
        ExFreePoolWithTag(irp->AssociatedIrp.SystemBuffer, sim::kIoBufferTag);
        irp->AssociatedIrp.SystemBuffer = nullptr;
    }
    while (irp->MdlAddress != nullptr) {
        PMDL mdl = irp->MdlAddress;
        irp->MdlAddress = mdl->Next;
        if (mdl->MdlFlags & MDL_PAGES_LOCKED) {
            MmUnlockPages(mdl);
        }
        IoFreeMdl(mdl);
    }
    if (irp->UserIosb != nullptr) {
        *irp->UserIosb = irp->IoStatus;
    }
    PFILE_OBJECT file = priv->referencesFile ? irp->Tail.Overlay.OriginalFileObject : nullptr;
    PKEVENT eventObject = priv->eventObject;
    if (irp->UserEvent != nullptr) {
        KeSetEvent(irp->UserEvent, IO_NO_INCREMENT, FALSE);
    }
    IoFreeIrp(irp);
    if (eventObject != nullptr) {
        ObfDereferenceObject(eventObject);
    }
    if (file != nullptr) {
        ObfDereferenceObject(file);
    }
}

bool ShouldInvoke(const IO_STACK_LOCATION* stack, const IRP* irp)
{
    if (stack->CompletionRoutine == nullptr) {
        return false;
    }
    if (irp->Cancel && (stack->Control & SL_INVOKE_ON_CANCEL)) {
        return true;
    }
    return NT_SUCCESS(irp->IoStatus.Status) ? (stack->Control & SL_INVOKE_ON_SUCCESS) != 0
                                            : (stack->Control & SL_INVOKE_ON_ERROR) != 0;
}

}  // namespace

namespace sim::irp {

PIRP Allocate(CCHAR stackSize, Owner owner, bool mustSucceed)
{
    if (stackSize < 1) {
        sim::BugCheck("NO_MORE_IRP_STACK_LOCATIONS", "a request for a device without stack locations");
    }
    const SIZE_T size = IrpBlockSize(stackSize);
    void* block = mustSucceed ? sim::AllocatePoolMustSucceed(NonPagedPool, size, kIrpTag)
                              : ExAllocatePoolWithTag(NonPagedPool, size, kIrpTag);
    if (block == nullptr) {
        return nullptr;
    }
    memset(block, 0, size);
    auto* priv = new (block) IrpPrivate;
    priv->owner = owner;
    auto* irp = reinterpret_cast<PIRP>(priv + 1);
    irp->Type = 6;
    irp->Size = static_cast<USHORT>(sizeof(IRP) + stackSize * sizeof(IO_STACK_LOCATION));
    irp->StackCount = stackSize;
    irp->CurrentLocation = static_cast<CHAR>(stackSize + 1);
    auto* stacks = reinterpret_cast<PIO_STACK_LOCATION>(irp + 1);
    irp->Tail.Overlay.CurrentStackLocation = stacks + stackSize;
    irp->Tail.Overlay.Thread = KeGetCurrentThread();
    irp->IoStatus.Status = STATUS_SUCCESS;
    InitializeListHead(&irp->ThreadListEntry);
    return irp;
}

IrpPrivate* PrivateOf(PIRP irp)
{
    return reinterpret_cast<IrpPrivate*>(irp) - 1;
}

}  // namespace sim::irp

NTKERNELAPI PIRP NTAPI IoAllocateIrp(CCHAR StackSize, BOOLEAN ChargeQuota)
{
    (void)ChargeQuota;
    return sim::irp::Allocate(StackSize, sim::irp::Owner::Driver, false);
}

NTKERNELAPI VOID NTAPI IoFreeIrp(PIRP Irp)
{
    ExFreePoolWithTag(sim::irp::PrivateOf(Irp), sim::kIrpTag);
}

NTKERNELAPI NTSTATUS NTAPI IofCallDriver(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    if (DeviceObject == nullptr) {
        sim::BugCheck("INVALID_PARAMETER", "IoCallDriver with no device object");
    }
    Irp->CurrentLocation -= 1;
    if (Irp->CurrentLocation <= 0) {
        sim::BugCheck("NO_MORE_IRP_STACK_LOCATIONS", "a request was passed below its last stack location");
    }
    PIO_STACK_LOCATION stack = --Irp->Tail.Overlay.CurrentStackLocation;
    stack->DeviceObject = DeviceObject;
    PDRIVER_DISPATCH dispatch = DeviceObject->DriverObject->MajorFunction[stack->MajorFunction];
    return dispatch(DeviceObject, Irp);
}

NTKERNELAPI VOID NTAPI IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost)
{
    (void)PriorityBoost;
    if (Irp->CurrentLocation > Irp->StackCount + 1) {
        sim::BugCheck("MULTIPLE_IRP_COMPLETE_REQUESTS", "a request was completed twice");
    }
    if (Irp->IoStatus.Status == STATUS_PENDING) {
        sim::BugCheck("DRIVER_IRQL_NOT_LESS_OR_EQUAL", "a request was completed with STATUS_PENDING");
    }
    // Walk up from the current stack location; each location's completion
    // routine belongs to the driver above it.
    while (Irp->CurrentLocation <= Irp->StackCount) {
        PIO_STACK_LOCATION stack = Irp->Tail.Overlay.CurrentStackLocation;
        Irp->PendingReturned = (stack->Control & SL_PENDING_RETURNED) != 0;
        const bool invoke = ShouldInvoke(stack, Irp);
        PIO_COMPLETION_ROUTINE routine = stack->CompletionRoutine;
        PVOID context = stack->Context;
        IoSkipCurrentIrpStackLocation(Irp);
        stack->Control = 0;
        stack->CompletionRoutine = nullptr;
        stack->Context = nullptr;
        const bool atTop = Irp->CurrentLocation > Irp->StackCount;
        if (invoke) {
            PDEVICE_OBJECT device = atTop ? nullptr : Irp->Tail.Overlay.CurrentStackLocation->DeviceObject;
            if (routine(device, Irp, context) == STATUS_MORE_PROCESSING_REQUIRED) {
                return;
            }
        } else if (Irp->PendingReturned && !atTop) {
            IoMarkIrpPending(Irp);
        }
    }
    FinishRequest(Irp);
}

NTKERNELAPI PIRP NTAPI IoBuildDeviceIoControlRequest(ULONG IoControlCode, PDEVICE_OBJECT DeviceObject,
                                                     PVOID InputBuffer, ULONG InputBufferLength,
                                                     PVOID OutputBuffer, ULONG OutputBufferLength,
                                                     BOOLEAN InternalDeviceIoControl, PKEVENT Event,
                                                     PIO_STATUS_BLOCK IoStatusBlock)
{
    PIRP irp = sim::irp::Allocate(DeviceObject->StackSize, sim::irp::Owner::IoManager, false);
    if (irp == nullptr) {
        return nullptr;
    }
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = InternalDeviceIoControl ? IRP_MJ_INTERNAL_DEVICE_CONTROL : IRP_MJ_DEVICE_CONTROL;
    next->Parameters.DeviceIoControl.IoControlCode = IoControlCode;
    next->Parameters.DeviceIoControl.InputBufferLength = InputBufferLength;
    next->Parameters.DeviceIoControl.OutputBufferLength = OutputBufferLength;
    irp->RequestorMode = KernelMode;
    irp->UserIosb = IoStatusBlock;
    irp->UserEvent = Event;

    switch (METHOD_FROM_CTL_CODE(IoControlCode)) {
    case METHOD_NEITHER:
        next->Parameters.DeviceIoControl.Type3InputBuffer = InputBuffer;
        irp->UserBuffer = OutputBuffer;
        break;
    case METHOD_BUFFERED: {
        const ULONG length = InputBufferLength > OutputBufferLength ? InputBufferLength : OutputBufferLength;
        if (length > 0) {
            irp->AssociatedIrp.SystemBuffer = ExAllocatePoolWithTag(NonPagedPool, length, sim::kIoBufferTag);
            if (irp->AssociatedIrp.SystemBuffer == nullptr) {
                IoFreeIrp(irp);
                return nullptr;
            }
            if (InputBuffer != nullptr) {
                memcpy(irp->AssociatedIrp.SystemBuffer, InputBuffer, InputBufferLength);
            }
            irp->Flags = IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER | (OutputBufferLength > 0 ? IRP_INPUT_OPERATION : 0);
        }
        irp->UserBuffer = OutputBuffer;
        sim::irp::PrivateOf(irp)->outputLength = OutputBufferLength;
        break;
    }
    default:
        // Direct I/O requests from kernel callers are not used by the system.
        IoFreeIrp(irp);
        return nullptr;
    }
    return irp;
}

// ---------------------------------------------------------------------------
// Remove locks

NTKERNELAPI VOID NTAPI IoInitializeRemoveLockEx(PIO_REMOVE_LOCK Lock, ULONG AllocateTag, ULONG MaxLockedMinutes,
                                                ULONG HighWatermark, ULONG RemlockSize)
{
    (void)AllocateTag;
    (void)MaxLockedMinutes;
    (void)HighWatermark;
    (void)RemlockSize;
    Lock->Common.Removed = FALSE;
    Lock->Common.IoCount = 1;  // the device's own hold, given up by the release-and-wait
    KeInitializeEvent(&Lock->Common.RemoveEvent, NotificationEvent, FALSE);
}

NTKERNELAPI NTSTATUS NTAPI IoAcquireRemoveLockEx(PIO_REMOVE_LOCK RemoveLock, PVOID Tag, PCSTR File, ULONG Line,
                                                 ULONG RemlockSize)
{
    (void)Tag;
    (void)File;
    (void)Line;
    (void)RemlockSize;
    InterlockedIncrement(&RemoveLock->Common.IoCount);
    if (__atomic_load_n(&RemoveLock->Common.Removed, __ATOMIC_SEQ_CST)) {
        if (InterlockedDecrement(&RemoveLock->Common.IoCount) == 0) {
            KeSetEvent(&RemoveLock->Common.RemoveEvent, IO_NO_INCREMENT, FALSE);
        }
        return STATUS_DELETE_PENDING;
    }
    return STATUS_SUCCESS;
}

NTKERNELAPI VOID NTAPI IoReleaseRemoveLockEx(PIO_REMOVE_LOCK RemoveLock, PVOID Tag, ULONG RemlockSize)
{
    (void)Tag;
    (void)RemlockSize;
    const LONG remaining = InterlockedDecrement(&RemoveLock->Common.IoCount);
    if (remaining < 0) {
        sim::BugCheck("REMOVE_LOCK_UNDERFLOW", "a remove lock was released more often than acquired");
    }
    if (remaining == 0) {
        if (!__atomic_load_n(&RemoveLock->Common.Removed, __ATOMIC_SEQ_CST)) {
            sim::BugCheck("REMOVE_LOCK_UNDERFLOW", "a remove lock was released more often than acquired");
        }
        KeSetEvent(&RemoveLock->Common.RemoveEvent, IO_NO_INCREMENT, FALSE);
    }
}

NTKERNELAPI VOID NTAPI IoReleaseRemoveLockAndWaitEx(PIO_REMOVE_LOCK RemoveLock, PVOID Tag, ULONG RemlockSize)
{
    (void)Tag;
    (void)RemlockSize;
    __atomic_store_n(&RemoveLock->Common.Removed, TRUE, __ATOMIC_SEQ_CST);
    InterlockedDecrement(&RemoveLock->Common.IoCount);  // the device's own hold
    if (InterlockedDecrement(&RemoveLock->Common.IoCount) > 0) {  // the caller's
        KeWaitForSingleObject(&RemoveLock->Common.RemoveEvent, Executive, KernelMode, FALSE, nullptr);
    }
}
