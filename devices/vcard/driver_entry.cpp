// Driver entry and device creation of the virtual sound card.

#include "card.h"

namespace {

// Requests the card does not handle: refused, as a KS driver refuses them.
// Runs at PASSIVE_LEVEL; completes the request.
NTSTATUS NTAPI CardDispatchUnsupported(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    UNREFERENCED_PARAMETER(DeviceObject);
    return CardCompleteRequest(Irp, STATUS_INVALID_DEVICE_REQUEST, 0);
}

VOID NTAPI CardUnload(PDRIVER_OBJECT DriverObject)
{
    UNREFERENCED_PARAMETER(DriverObject);
}

NTSTATUS RegisterInterface(PCARD_DEVICE Card, const GUID* Category, PUNICODE_STRING Link)
{
    UNICODE_STRING reference;
    RtlInitUnicodeString(&reference, L"Wave");
    return IoRegisterDeviceInterface(Card->PhysicalDeviceObject, Category, &reference, Link);
}

VOID InitializeCreateItem(PKSOBJECT_CREATE_ITEM Item, PDRIVER_DISPATCH Create, PCWSTR ObjectClass)
{
    RtlZeroMemory(Item, sizeof(*Item));
    Item->Create = Create;
    RtlInitUnicodeString(&Item->ObjectClass, ObjectClass);
}

}  // namespace

// Creates the card's device for a physical device object and attaches it:
// the filter's create items, the audio and render interfaces (enabled when
// the device starts), the remove lock.
NTSTATUS NTAPI CardAddDevice(PDRIVER_OBJECT DriverObject, PDEVICE_OBJECT PhysicalDeviceObject)
{
    PDEVICE_OBJECT device = NULL;
    NTSTATUS status = IoCreateDevice(DriverObject, sizeof(CARD_DEVICE), NULL, FILE_DEVICE_KS,
                                     FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    PCARD_DEVICE card = static_cast<PCARD_DEVICE>(device->DeviceExtension);
    RtlZeroMemory(card, sizeof(*card));
    card->Self = device;
    card->PhysicalDeviceObject = PhysicalDeviceObject;
    card->SpeakerGeometry = KSAUDIO_STEREO_SPEAKER_GEOMETRY_WIDE;
    IoInitializeRemoveLock(&card->RemoveLock, kCardRemoveLockTag, 0, 0);
    InitializeCreateItem(&card->FilterCreateItem, CardCreateFilter, L"Wave");
    InitializeCreateItem(&card->PinCreateItem, CardCreatePin, KSSTRING_Pin);

    status = RegisterInterface(card, &KSCATEGORY_AUDIO, &card->AudioInterface);
    if (NT_SUCCESS(status)) {
        status = RegisterInterface(card, &KSCATEGORY_RENDER, &card->RenderInterface);
    }
    if (NT_SUCCESS(status)) {
        card->LowerDevice = IoAttachDeviceToDeviceStack(device, PhysicalDeviceObject);
        status = card->LowerDevice != NULL ? STATUS_SUCCESS : STATUS_DEVICE_REMOVED;
    }
    if (!NT_SUCCESS(status)) {
        RtlFreeUnicodeString(&card->AudioInterface);
        RtlFreeUnicodeString(&card->RenderInterface);
        IoDeleteDevice(device);
        return status;
    }
    device->Flags |= DO_DIRECT_IO | DO_POWER_PAGABLE;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

NTSTATUS CardCompleteRequest(PIRP Irp, NTSTATUS Status, ULONG_PTR Information)
{
    Irp->IoStatus.Status = Status;
    Irp->IoStatus.Information = Information;
    IoCompleteRequest(Irp, IO_NO_INCREMENT);
    return Status;
}

PCARD_OBJECT CardObjectOf(PIRP Irp)
{
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(Irp)->FileObject;
    return file != NULL ? static_cast<PCARD_OBJECT>(file->FsContext) : NULL;
}

PCARD_PIN CardPinOf(PCARD_OBJECT Object)
{
    return Object != NULL && Object->Kind == CardPinObject ? CONTAINING_RECORD(Object, CARD_PIN, Header) : NULL;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath)
{
    UNREFERENCED_PARAMETER(RegistryPath);
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) {
        DriverObject->MajorFunction[i] = CardDispatchUnsupported;
    }
    DriverObject->MajorFunction[IRP_MJ_CREATE] = CardDispatchCreate;
    DriverObject->MajorFunction[IRP_MJ_CLEANUP] = CardDispatchCleanup;
    DriverObject->MajorFunction[IRP_MJ_CLOSE] = CardDispatchClose;
    DriverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = CardDispatchDeviceControl;
    DriverObject->MajorFunction[IRP_MJ_PNP] = CardDispatchPnp;
    DriverObject->MajorFunction[IRP_MJ_POWER] = CardDispatchPower;
    DriverObject->DriverExtension->AddDevice = CardAddDevice;
    DriverObject->DriverUnload = CardUnload;
    return STATUS_SUCCESS;
}
