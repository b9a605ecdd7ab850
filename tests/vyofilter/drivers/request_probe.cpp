// The request probe driver (see request_probe.h). It passes every request
// down untouched; what it records is copied out of the request as it
// arrives. One probe device at a time, so its records are driver-wide.

#include "request_probe.h"

#include <ks.h>

#include "pass_through_filter.h"

namespace {

constexpr ULONG kMaximumRecords = 256;

// The probe's state: one driver, used by one test at a time.
struct ProbeState {
    KMUTEX Lock;
    ProbeRecord Records[kMaximumRecords];
    ULONG Count;
    BOOLEAN HoldWrites;
    KEVENT WriteHeld;
    KEVENT WritesReleased;
};

ProbeState gProbe;

ULONG Record(PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    KeWaitForSingleObject(&gProbe.Lock, Executive, KernelMode, FALSE, NULL);
    const ULONG index = gProbe.Count < kMaximumRecords ? gProbe.Count++ : kMaximumRecords - 1;
    ProbeRecord* record = &gProbe.Records[index];
    RtlZeroMemory(record, sizeof(*record));
    record->MajorFunction = stack->MajorFunction;
    record->MinorFunction = stack->MinorFunction;
    record->FileObject = stack->FileObject;
    record->RequestorMode = irp->RequestorMode;
    record->Thread = KeGetCurrentThread();
    if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL || stack->MajorFunction == IRP_MJ_INTERNAL_DEVICE_CONTROL) {
        record->IoControlCode = stack->Parameters.DeviceIoControl.IoControlCode;
        record->InputBufferLength = stack->Parameters.DeviceIoControl.InputBufferLength;
        record->OutputBufferLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
        record->Type3InputBuffer = stack->Parameters.DeviceIoControl.Type3InputBuffer;
        record->UserBuffer = irp->UserBuffer;
    }
    if (record->IoControlCode == IOCTL_KS_PROPERTY && record->Type3InputBuffer != NULL) {
        const ULONG bytes = record->InputBufferLength < sizeof(record->Property) ? record->InputBufferLength
                                                                                  : sizeof(record->Property);
        SEH_TRY {
            if (irp->RequestorMode == UserMode) {
                ProbeForRead(record->Type3InputBuffer, bytes, 1);
            }
            RtlCopyMemory(record->Property, record->Type3InputBuffer, bytes);
        } SEH_EXCEPT {
        } SEH_END;
    }
    KeReleaseMutex(&gProbe.Lock, FALSE);
    return index;
}

NTSTATUS NTAPI DispatchAny(PDEVICE_OBJECT device, PIRP irp)
{
    const ULONG index = Record(irp);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL &&
        stack->Parameters.DeviceIoControl.IoControlCode == IOCTL_KS_WRITE_STREAM && gProbe.HoldWrites) {
        gProbe.Records[index].WriteWasHeld = TRUE;
        KeSetEvent(&gProbe.WriteHeld, IO_NO_INCREMENT, FALSE);
        KeWaitForSingleObject(&gProbe.WritesReleased, Executive, KernelMode, FALSE, NULL);
        Record(irp);  // recorded again as it leaves
    }
    return passthrough::PassDown(device, irp);
}

NTSTATUS NTAPI DispatchPower(PDEVICE_OBJECT device, PIRP irp)
{
    Record(irp);
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(passthrough::ExtensionOf(device)->Lower, irp);
}

NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT device, PIRP irp)
{
    Record(irp);
    return passthrough::PassDownPnp(device, irp);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) VOID ProbeReset(BOOLEAN holdWrites)
{
    KeWaitForSingleObject(&gProbe.Lock, Executive, KernelMode, FALSE, NULL);
    gProbe.Count = 0;
    gProbe.HoldWrites = holdWrites;
    KeClearEvent(&gProbe.WriteHeld);
    KeClearEvent(&gProbe.WritesReleased);
    KeReleaseMutex(&gProbe.Lock, FALSE);
}

extern "C" __attribute__((visibility("default"))) ULONG ProbeRecords(ProbeRecord* records, ULONG maximum)
{
    KeWaitForSingleObject(&gProbe.Lock, Executive, KernelMode, FALSE, NULL);
    const ULONG count = gProbe.Count < maximum ? gProbe.Count : maximum;
    RtlCopyMemory(records, gProbe.Records, count * sizeof(ProbeRecord));
    KeReleaseMutex(&gProbe.Lock, FALSE);
    return count;
}

extern "C" __attribute__((visibility("default"))) BOOLEAN ProbeWaitForHeldWrite(LONG milliseconds)
{
    LARGE_INTEGER timeout;
    timeout.QuadPart = -10000LL * milliseconds;
    return KeWaitForSingleObject(&gProbe.WriteHeld, Executive, KernelMode, FALSE, &timeout) == STATUS_SUCCESS;
}

extern "C" __attribute__((visibility("default"))) VOID ProbeReleaseWrites(VOID)
{
    KeSetEvent(&gProbe.WritesReleased, IO_NO_INCREMENT, FALSE);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath)
{
    UNREFERENCED_PARAMETER(RegistryPath);
    KeInitializeMutex(&gProbe.Lock, 0);
    KeInitializeEvent(&gProbe.WriteHeld, NotificationEvent, FALSE);
    KeInitializeEvent(&gProbe.WritesReleased, NotificationEvent, FALSE);
    gProbe.Count = 0;
    gProbe.HoldWrites = FALSE;
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) {
        DriverObject->MajorFunction[i] = DispatchAny;
    }
    DriverObject->MajorFunction[IRP_MJ_POWER] = DispatchPower;
    DriverObject->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    DriverObject->DriverExtension->AddDevice = passthrough::AddDevice;
    return STATUS_SUCCESS;
}
