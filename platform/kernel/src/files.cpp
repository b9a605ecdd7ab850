// File objects: opening a device (IRP_MJ_CREATE down its whole stack), the
// cleanup and close requests when the last handle and the last reference
// go, and device-control requests from clients.

#include <algorithm>
#include <new>

#include "io_manager.h"
#include "irp.h"
#include "names.h"
#include "object_types.h"
#include "pool_tags.h"
#include "process.h"
#include "sim/system_services.h"

namespace {

// A file object's body: the published object, whether the device accepted
// the open, and the storage of its name.
struct FileBody {
    FILE_OBJECT object;
    bool opened;
    WCHAR name[1];
};

NTSTATUS WaitForRequest(PKEVENT event, NTSTATUS status, PIO_STATUS_BLOCK ioStatus)
{
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(event, Executive, KernelMode, FALSE, nullptr);
        status = ioStatus->Status;
    }
    return status;
}

bool ClientCanReach(const void* address, SIZE_T length, sim::AddressSpace::Access access)
{
    return sim::thread_state::CurrentProcess()->memory.IsAccessible(address, length, access);
}

// The access a device-control code requires of the handle it is sent on.
ACCESS_MASK RequiredAccess(ULONG ioControlCode)
{
    const ULONG access = (ioControlCode >> 14) & 3;
    return ((access & FILE_READ_ACCESS) ? FILE_READ_DATA : 0) | ((access & FILE_WRITE_ACCESS) ? FILE_WRITE_DATA : 0);
}

}  // namespace

namespace sim::io {

NTSTATUS SendSynchronousRequest(PDEVICE_OBJECT device, UCHAR majorFunction, UCHAR minorFunction,
                                PFILE_OBJECT fileObject, const std::function<void(PIO_STACK_LOCATION)>& fill,
                                bool mustSucceed)
{
    PDEVICE_OBJECT top = TopOfStack(device);
    PIRP irp = irp::Allocate(top->StackSize, irp::Owner::IoManager, mustSucceed);
    if (irp == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    KEVENT done;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IO_STATUS_BLOCK ioStatus{};
    irp->UserEvent = &done;
    irp->UserIosb = &ioStatus;
    irp->RequestorMode = KernelMode;
    irp->IoStatus.Status = majorFunction == IRP_MJ_PNP ? STATUS_NOT_SUPPORTED : STATUS_SUCCESS;
    irp->Tail.Overlay.OriginalFileObject = fileObject;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = majorFunction;
    next->MinorFunction = minorFunction;
    next->FileObject = fileObject;
    if (fill) {
        fill(next);
    }
    return WaitForRequest(&done, IofCallDriver(top, irp), &ioStatus);
}

NTSTATUS OpenFile(HANDLE rootDirectory, const std::wstring& name, ACCESS_MASK desiredAccess, ULONG shareAccess,
                  ULONG createOptions, PHANDLE handle, PIO_STATUS_BLOCK ioStatus)
{
    *handle = nullptr;
    PDEVICE_OBJECT device = nullptr;
    PFILE_OBJECT related = nullptr;
    std::wstring fileName;
    if (rootDirectory != nullptr) {
        PVOID object = nullptr;
        NTSTATUS status = ObReferenceObjectByHandle(rootDirectory, 0, *IoFileObjectType, ExGetPreviousMode(),
                                                    &object, nullptr);
        if (!NT_SUCCESS(status)) {
            return status;
        }
        related = static_cast<PFILE_OBJECT>(object);
        device = related->DeviceObject;
        fileName = name;
    } else if (!ResolveName(name, &device, &fileName)) {
        return STATUS_OBJECT_NAME_NOT_FOUND;
    }
    if (device->DeviceObjectExtension->deletePending) {
        if (related != nullptr) {
            ObfDereferenceObject(related);
        }
        return STATUS_DELETE_PENDING;
    }

    const SIZE_T nameBytes = fileName.size() * sizeof(WCHAR);
    auto* body = static_cast<FileBody*>(ob::CreateObject(*IoFileObjectType, sizeof(FileBody) + nameBytes));
    if (body == nullptr) {
        if (related != nullptr) {
            ObfDereferenceObject(related);
        }
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    PFILE_OBJECT file = &body->object;
    file->Type = 5;
    file->Size = sizeof(FILE_OBJECT);
    file->DeviceObject = device;
    ObfReferenceObject(device);
    device->DeviceObjectExtension->openFiles.fetch_add(1);
    file->RelatedFileObject = related;
    memcpy(body->name, fileName.data(), nameBytes);
    body->name[fileName.size()] = L'\0';
    file->FileName.Buffer = body->name;
    file->FileName.Length = static_cast<USHORT>(nameBytes);
    file->FileName.MaximumLength = static_cast<USHORT>(nameBytes + sizeof(WCHAR));
    const ACCESS_MASK access = ob::MapGenericAccess(*IoFileObjectType, desiredAccess);
    file->ReadAccess = (access & FILE_READ_DATA) != 0;
    file->WriteAccess = (access & (FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0;
    file->SharedRead = (shareAccess & FILE_SHARE_READ) != 0;
    file->SharedWrite = (shareAccess & FILE_SHARE_WRITE) != 0;
    if (createOptions & (FILE_SYNCHRONOUS_IO_ALERT | FILE_SYNCHRONOUS_IO_NONALERT)) {
        file->Flags |= FO_SYNCHRONOUS_IO;
    }
    KeInitializeEvent(&file->Lock, SynchronizationEvent, FALSE);
    KeInitializeEvent(&file->Event, NotificationEvent, FALSE);
    InitializeListHead(&file->IrpList);

    const NTSTATUS status = SendSynchronousRequest(
        device, IRP_MJ_CREATE, 0, file,
        [&](PIO_STACK_LOCATION stack) {
            stack->Parameters.Create.Options = (FILE_OPEN << 24) | createOptions;
            stack->Parameters.Create.ShareAccess = static_cast<USHORT>(shareAccess);
        },
        false);
    ioStatus->Status = status;
    ioStatus->Information = NT_SUCCESS(status) ? FILE_OPENED : 0;
    if (!NT_SUCCESS(status)) {
        ObfDereferenceObject(file);  // never opened: no cleanup, no close
        return status;
    }
    body->opened = true;
    ob::InsertHandle(file, desiredAccess, 0, handle);
    ObfDereferenceObject(file);  // the handle holds it now
    return status;
}

void CleanupFileObject(PVOID object)
{
    auto* body = static_cast<FileBody*>(object);
    if (body->opened) {
        SendSynchronousRequest(body->object.DeviceObject, IRP_MJ_CLEANUP, 0, &body->object, nullptr, true);
    }
}

void DeleteFileObject(PVOID object)
{
    auto* body = static_cast<FileBody*>(object);
    PFILE_OBJECT file = &body->object;
    if (body->opened) {
        SendSynchronousRequest(file->DeviceObject, IRP_MJ_CLOSE, 0, file, nullptr, true);
    }
    file->DeviceObject->DeviceObjectExtension->openFiles.fetch_sub(1);
    ObfDereferenceObject(file->DeviceObject);
    if (file->RelatedFileObject != nullptr) {
        ObfDereferenceObject(file->RelatedFileObject);
    }
}

}  // namespace sim::io

// ---------------------------------------------------------------------------
// System services of client processes

NTSYSAPI NTSTATUS NTAPI NtCreateFile(PHANDLE FileHandle, ACCESS_MASK DesiredAccess,
                                     POBJECT_ATTRIBUTES ObjectAttributes, PIO_STATUS_BLOCK IoStatusBlock,
                                     PLARGE_INTEGER AllocationSize, ULONG FileAttributes, ULONG ShareAccess,
                                     ULONG CreateDisposition, ULONG CreateOptions, PVOID EaBuffer, ULONG EaLength)
{
    (void)AllocationSize;
    (void)FileAttributes;
    (void)CreateDisposition;
    (void)EaBuffer;
    (void)EaLength;
    sim::thread_state::UserModeCall call;
    return sim::io::OpenFile(ObjectAttributes->RootDirectory, sim::FromUnicodeString(ObjectAttributes->ObjectName),
                             DesiredAccess, ShareAccess, CreateOptions, FileHandle, IoStatusBlock);
}

NTSYSAPI NTSTATUS NTAPI NtDeviceIoControlFile(HANDLE FileHandle, HANDLE Event, PIO_APC_ROUTINE ApcRoutine,
                                              PVOID ApcContext, PIO_STATUS_BLOCK IoStatusBlock,
                                              ULONG IoControlCode, PVOID InputBuffer, ULONG InputBufferLength,
                                              PVOID OutputBuffer, ULONG OutputBufferLength)
{
    (void)ApcRoutine;
    (void)ApcContext;
    sim::thread_state::UserModeCall call;
    PVOID object = nullptr;
    OBJECT_HANDLE_INFORMATION info{};
    NTSTATUS status = ObReferenceObjectByHandle(FileHandle, 0, *IoFileObjectType, UserMode, &object, &info);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* file = static_cast<PFILE_OBJECT>(object);
    const ACCESS_MASK required = RequiredAccess(IoControlCode);
    if ((info.GrantedAccess & required) != required) {
        ObfDereferenceObject(file);
        return STATUS_ACCESS_DENIED;
    }
    PKEVENT eventObject = nullptr;
    if (Event != nullptr) {
        status = ObReferenceObjectByHandle(Event, EVENT_MODIFY_STATE, *ExEventObjectType, UserMode,
                                           reinterpret_cast<PVOID*>(&eventObject), nullptr);
        if (!NT_SUCCESS(status)) {
            ObfDereferenceObject(file);
            return status;
        }
        KeResetEvent(eventObject);
    }
    auto fail = [&](NTSTATUS failure) {
        if (eventObject != nullptr) {
            ObfDereferenceObject(eventObject);
        }
        ObfDereferenceObject(file);
        return failure;
    };

    PDEVICE_OBJECT top = IoGetRelatedDeviceObject(file);
    PIRP irp = sim::irp::Allocate(top->StackSize, sim::irp::Owner::IoManager, false);
    if (irp == nullptr) {
        return fail(STATUS_INSUFFICIENT_RESOURCES);
    }
    const bool synchronous = (file->Flags & FO_SYNCHRONOUS_IO) != 0;
    KEVENT done;
    IO_STATUS_BLOCK localStatus{};
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    irp->RequestorMode = UserMode;
    irp->Tail.Overlay.OriginalFileObject = file;
    sim::irp::PrivateOf(irp)->referencesFile = true;
    sim::irp::PrivateOf(irp)->eventObject = eventObject;
    irp->UserIosb = synchronous ? &localStatus : IoStatusBlock;
    irp->UserEvent = synchronous ? &done : eventObject;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_DEVICE_CONTROL;
    next->FileObject = file;
    next->Parameters.DeviceIoControl.IoControlCode = IoControlCode;
    next->Parameters.DeviceIoControl.InputBufferLength = InputBufferLength;
    next->Parameters.DeviceIoControl.OutputBufferLength = OutputBufferLength;

    const ULONG method = METHOD_FROM_CTL_CODE(IoControlCode);
    if (method == METHOD_NEITHER) {
        // The driver gets the client's own addresses and checks them itself.
        next->Parameters.DeviceIoControl.Type3InputBuffer = InputBuffer;
        irp->UserBuffer = OutputBuffer;
    } else {
        using Access = sim::AddressSpace::Access;
        if (!ClientCanReach(InputBuffer, InputBufferLength, Access::Read) ||
            !ClientCanReach(OutputBuffer, OutputBufferLength, Access::Write)) {
            IoFreeIrp(irp);
            return fail(STATUS_ACCESS_VIOLATION);
        }
        const ULONG systemLength = method == METHOD_BUFFERED ? std::max(InputBufferLength, OutputBufferLength)
                                                             : InputBufferLength;
        if (systemLength > 0) {
            irp->AssociatedIrp.SystemBuffer = ExAllocatePoolWithTag(NonPagedPool, systemLength, sim::kIoBufferTag);
            if (irp->AssociatedIrp.SystemBuffer == nullptr) {
                IoFreeIrp(irp);
                return fail(STATUS_INSUFFICIENT_RESOURCES);
            }
            memset(irp->AssociatedIrp.SystemBuffer, 0, systemLength);
            if (InputBufferLength > 0) {
                memcpy(irp->AssociatedIrp.SystemBuffer, InputBuffer, InputBufferLength);
            }
            irp->Flags |= IRP_BUFFERED_IO | IRP_DEALLOCATE_BUFFER;
        }
        if (method == METHOD_BUFFERED) {
            irp->Flags |= OutputBufferLength > 0 ? IRP_INPUT_OPERATION : 0;
            irp->UserBuffer = OutputBuffer;
            sim::irp::PrivateOf(irp)->outputLength = OutputBufferLength;
        } else if (OutputBufferLength > 0) {
            PMDL mdl = IoAllocateMdl(OutputBuffer, OutputBufferLength, FALSE, FALSE, irp);
            if (mdl == nullptr) {
                if (irp->AssociatedIrp.SystemBuffer != nullptr) {
                    ExFreePoolWithTag(irp->AssociatedIrp.SystemBuffer, sim::kIoBufferTag);
                }
                IoFreeIrp(irp);
                return fail(STATUS_INSUFFICIENT_RESOURCES);
            }
            MmProbeAndLockPages(mdl, UserMode, method == METHOD_OUT_DIRECT ? IoWriteAccess : IoReadAccess);
        }
    }
    status = IofCallDriver(top, irp);
    if (synchronous) {
        status = WaitForRequest(&done, status, &localStatus);
        *IoStatusBlock = localStatus;
    }
    return status;
}

NTSYSAPI NTSTATUS NTAPI NtClose(HANDLE Handle)
{
    sim::thread_state::UserModeCall call;
    return sim::ob::CloseHandle(Handle, UserMode);
}

NTSYSAPI NTSTATUS NTAPI NtDuplicateObject(HANDLE SourceProcessHandle, HANDLE SourceHandle,
                                          HANDLE TargetProcessHandle, PHANDLE TargetHandle,
                                          ACCESS_MASK DesiredAccess, ULONG HandleAttributes, ULONG Options)
{
    (void)HandleAttributes;
    sim::thread_state::UserModeCall call;
    if (SourceProcessHandle != NtCurrentProcess() || TargetProcessHandle != NtCurrentProcess()) {
        return STATUS_NOT_SUPPORTED;  // within the calling process only
    }
    PVOID object = nullptr;
    OBJECT_HANDLE_INFORMATION info{};
    NTSTATUS status = ObReferenceObjectByHandle(SourceHandle, 0, nullptr, UserMode, &object, &info);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    ACCESS_MASK access = (Options & DUPLICATE_SAME_ACCESS) ? info.GrantedAccess : DesiredAccess;
    if (!(Options & DUPLICATE_SAME_ACCESS)) {
        access = sim::ob::MapGenericAccess(sim::ob::TypeOf(object), access);
        if ((info.GrantedAccess & access) != access) {
            ObfDereferenceObject(object);
            return STATUS_ACCESS_DENIED;  // a duplicate never has more access than its source
        }
    }
    sim::ob::InsertHandle(object, access, 0, TargetHandle);
    ObfDereferenceObject(object);
    if (Options & DUPLICATE_CLOSE_SOURCE) {
        sim::ob::CloseHandle(SourceHandle, UserMode);
    }
    return STATUS_SUCCESS;
}

NTSYSAPI NTSTATUS NTAPI NtCreateEvent(PHANDLE EventHandle, ACCESS_MASK DesiredAccess,
                                      POBJECT_ATTRIBUTES ObjectAttributes, EVENT_TYPE EventType,
                                      BOOLEAN InitialState)
{
    sim::thread_state::UserModeCall call;
    auto* event = static_cast<PKEVENT>(sim::ob::CreateObject(*ExEventObjectType, sizeof(KEVENT)));
    if (event == nullptr) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    KeInitializeEvent(event, EventType, InitialState);
    const ULONG attributes = ObjectAttributes != nullptr ? ObjectAttributes->Attributes & ~OBJ_KERNEL_HANDLE : 0;
    sim::ob::InsertHandle(event, DesiredAccess, attributes, EventHandle);
    ObfDereferenceObject(event);
    return STATUS_SUCCESS;
}

namespace {

NTSTATUS WithEvent(HANDLE handle, ACCESS_MASK access, LONG (*operation)(PRKEVENT), PLONG previousState)
{
    sim::thread_state::UserModeCall call;
    PVOID event = nullptr;
    NTSTATUS status = ObReferenceObjectByHandle(handle, access, *ExEventObjectType, UserMode, &event, nullptr);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    const LONG previous = operation(static_cast<PKEVENT>(event));
    if (previousState != nullptr) {
        *previousState = previous;
    }
    ObfDereferenceObject(event);
    return STATUS_SUCCESS;
}

}  // namespace

NTSYSAPI NTSTATUS NTAPI NtSetEvent(HANDLE EventHandle, PLONG PreviousState)
{
    return WithEvent(
        EventHandle, EVENT_MODIFY_STATE, [](PRKEVENT event) { return KeSetEvent(event, IO_NO_INCREMENT, FALSE); },
        PreviousState);
}

NTSYSAPI NTSTATUS NTAPI NtResetEvent(HANDLE EventHandle, PLONG PreviousState)
{
    return WithEvent(EventHandle, EVENT_MODIFY_STATE, KeResetEvent, PreviousState);
}

NTSYSAPI NTSTATUS NTAPI NtWaitForMultipleObjects(ULONG Count, HANDLE Handles[], WAIT_TYPE WaitType,
                                                 BOOLEAN Alertable, PLARGE_INTEGER Timeout)
{
    sim::thread_state::UserModeCall call;
    if (Count == 0 || Count > MAXIMUM_WAIT_OBJECTS) {
        return STATUS_INVALID_PARAMETER;
    }
    PVOID objects[MAXIMUM_WAIT_OBJECTS];
    for (ULONG i = 0; i < Count; ++i) {
        NTSTATUS status = ObReferenceObjectByHandle(Handles[i], SYNCHRONIZE, nullptr, UserMode, &objects[i], nullptr);
        if (NT_SUCCESS(status) && sim::ob::TypeOf(objects[i]) != *ExEventObjectType &&
            sim::ob::TypeOf(objects[i]) != *PsThreadType) {
            ObfDereferenceObject(objects[i]);
            status = STATUS_OBJECT_TYPE_MISMATCH;  // only events and threads can be waited for here
        }
        if (!NT_SUCCESS(status)) {
            for (ULONG j = 0; j < i; ++j) {
                ObfDereferenceObject(objects[j]);
            }
            return status;
        }
    }
    KWAIT_BLOCK blocks[MAXIMUM_WAIT_OBJECTS];
    const NTSTATUS status =
        KeWaitForMultipleObjects(Count, objects, WaitType, UserRequest, UserMode, Alertable, Timeout, blocks);
    for (ULONG i = 0; i < Count; ++i) {
        ObfDereferenceObject(objects[i]);
    }
    return status;
}

NTSYSAPI NTSTATUS NTAPI NtWaitForSingleObject(HANDLE Handle, BOOLEAN Alertable, PLARGE_INTEGER Timeout)
{
    HANDLE handles[1] = {Handle};
    return NtWaitForMultipleObjects(1, handles, WaitAny, Alertable, Timeout);
}
