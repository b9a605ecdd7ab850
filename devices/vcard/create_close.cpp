// Creating and closing the card's objects. A create is dispatched through
// the create item its name selects, and that item is recorded in the
// request (KSCREATE_ITEM_IRP_STORAGE) as a KS driver records it, so the
// drivers above the card can tell a pin from the filter.

#include "card.h"

#include "allocate_zeroed_pool.h"

namespace {

// The characters of the name a file was opened with, without a leading
// backslash.
VOID NameOf(PFILE_OBJECT File, PCWSTR* Name, ULONG* Characters)
{
    *Name = File->FileName.Buffer;
    *Characters = File->FileName.Length / sizeof(WCHAR);
    if (*Characters > 0 && (*Name)[0] == L'\\') {
        *Name += 1;
        *Characters -= 1;
    }
}

// A name selects an item when it is the item's object class, alone or
// followed by a backslash and the create's parameters.
BOOLEAN NameSelects(PCWSTR Name, ULONG Characters, const KSOBJECT_CREATE_ITEM* Item, BOOLEAN TakesParameters)
{
    const ULONG classCharacters = Item->ObjectClass.Length / sizeof(WCHAR);
    if (Characters < classCharacters || _wcsnicmp(Name, Item->ObjectClass.Buffer, classCharacters) != 0) {
        return FALSE;
    }
    if (Characters == classCharacters) {
        return TRUE;
    }
    return TakesParameters && Name[classCharacters] == L'\\';
}

// The create item for a file being opened: the filter on the device itself,
// a pin relative to one of the card's filters.
PKSOBJECT_CREATE_ITEM SelectCreateItem(PCARD_DEVICE Card, PFILE_OBJECT File)
{
    PCWSTR name = NULL;
    ULONG characters = 0;
    NameOf(File, &name, &characters);
    if (File->RelatedFileObject == NULL) {
        return NameSelects(name, characters, &Card->FilterCreateItem, FALSE) ? &Card->FilterCreateItem : NULL;
    }
    PCARD_OBJECT parent = static_cast<PCARD_OBJECT>(File->RelatedFileObject->FsContext);
    if (parent == NULL || parent->Kind != CardFilterObject || parent->Device != Card) {
        return NULL;  // pins have no objects of their own (no clocks, no allocators)
    }
    return NameSelects(name, characters, &Card->PinCreateItem, TRUE) ? &Card->PinCreateItem : NULL;
}

// The connection request of a pin create, copied out of the name into
// aligned storage: the KSPIN_CONNECT and as much of its data format as the
// card can hold. Returns the bytes of data format the name carried.
ULONG CaptureConnectRequest(PFILE_OBJECT File, PKSPIN_CONNECT Connect, PKSDATAFORMAT Format)
{
    PCWSTR name = NULL;
    ULONG characters = 0;
    NameOf(File, &name, &characters);
    const ULONG prefix = sizeof(KSSTRING_Pin) / sizeof(WCHAR);  // the class and its backslash
    if (characters < prefix) {
        return 0;
    }
    const PUCHAR parameters = (PUCHAR)(name + prefix);
    const ULONG bytes = (characters - prefix) * sizeof(WCHAR);
    if (bytes < sizeof(KSPIN_CONNECT)) {
        return 0;
    }
    RtlCopyMemory(Connect, parameters, sizeof(KSPIN_CONNECT));
    ULONG formatBytes = bytes - sizeof(KSPIN_CONNECT);
    if (formatBytes > kCardMaximumFormatBytes) {
        formatBytes = kCardMaximumFormatBytes;
    }
    RtlCopyMemory(Format, parameters + sizeof(KSPIN_CONNECT), formatBytes);
    return formatBytes;
}

// A render pin of the card: factory 0, standard streaming or looped
// streaming, the standard medium, connected to by the client itself.
NTSTATUS CheckConnection(const KSPIN_CONNECT* Connect)
{
    if (Connect->PinId != 0) {
        return STATUS_INVALID_PARAMETER;
    }
    if (!IsEqualGUID(Connect->Interface.Set, KSINTERFACESETID_Standard) ||
        (Connect->Interface.Id != KSINTERFACE_STANDARD_STREAMING &&
         Connect->Interface.Id != KSINTERFACE_STANDARD_LOOPED_STREAMING)) {
        return STATUS_NO_MATCH;
    }
    if (!IsEqualGUID(Connect->Medium.Set, KSMEDIUMSETID_Standard) || Connect->Medium.Id != KSMEDIUM_TYPE_ANYINSTANCE) {
        return STATUS_NO_MATCH;
    }
    if (Connect->PinToHandle != NULL) {
        return STATUS_NOT_SUPPORTED;  // the card's pins are sinks; they connect to no other pin
    }
    return STATUS_SUCCESS;
}

VOID InitializeObject(PCARD_OBJECT Object, CARD_OBJECT_KIND Kind, PCARD_DEVICE Card, PIRP Irp)
{
    Object->Kind = Kind;
    Object->Device = Card;
    Object->CreateItem = KSCREATE_ITEM_IRP_STORAGE(Irp);
}

}  // namespace

// IRP_MJ_CREATE, at PASSIVE_LEVEL: finds the create item for the name,
// records it in the request and lets it create the object. The item's
// routine completes the request.
NTSTATUS NTAPI CardDispatchCreate(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PCARD_DEVICE card = static_cast<PCARD_DEVICE>(DeviceObject->DeviceExtension);
    NTSTATUS status = IoAcquireRemoveLock(&card->RemoveLock, Irp);
    if (!NT_SUCCESS(status)) {
        return CardCompleteRequest(Irp, status, 0);
    }
    PKSOBJECT_CREATE_ITEM item = SelectCreateItem(card, IoGetCurrentIrpStackLocation(Irp)->FileObject);
    if (item == NULL) {
        status = CardCompleteRequest(Irp, STATUS_OBJECT_NAME_NOT_FOUND, 0);
    } else {
        KSCREATE_ITEM_IRP_STORAGE(Irp) = item;
        status = item->Create(DeviceObject, Irp);
    }
    IoReleaseRemoveLock(&card->RemoveLock, Irp);
    return status;
}

// The "Wave" create item: a filter object.
NTSTATUS NTAPI CardCreateFilter(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PCARD_DEVICE card = static_cast<PCARD_DEVICE>(DeviceObject->DeviceExtension);
    PCARD_FILTER filter =
        static_cast<PCARD_FILTER>(AllocateZeroedPool(sizeof(CARD_FILTER), NonPagedPool, kCardFilterTag));
    if (filter == NULL) {
        return CardCompleteRequest(Irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    }
    InitializeObject(&filter->Header, CardFilterObject, card, Irp);
    ReadCardSettings(card->PhysicalDeviceObject, &filter->Header.Settings);
    IoGetCurrentIrpStackLocation(Irp)->FileObject->FsContext = &filter->Header;
    return CardCompleteRequest(Irp, STATUS_SUCCESS, 0);
}

// The KSSTRING_Pin create item: a render pin with the connection's format,
// stopped. The card plays kCardMaximumPins pins at most.
NTSTATUS NTAPI CardCreatePin(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    PCARD_DEVICE card = static_cast<PCARD_DEVICE>(DeviceObject->DeviceExtension);
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(Irp)->FileObject;
    KSPIN_CONNECT connect;
    union {
        KSDATAFORMAT format;
        UCHAR bytes[kCardMaximumFormatBytes];
    } requested;
    RtlZeroMemory(&connect, sizeof(connect));
    RtlZeroMemory(&requested, sizeof(requested));
    const ULONG formatBytes = CaptureConnectRequest(file, &connect, &requested.format);
    if (formatBytes == 0) {
        return CardCompleteRequest(Irp, STATUS_INVALID_PARAMETER, 0);
    }
    CARD_SETTINGS settings;
    ReadCardSettings(card->PhysicalDeviceObject, &settings);
    NTSTATUS status = CheckConnection(&connect);
    if (NT_SUCCESS(status)) {
        status = CardCheckFormat(&requested.format, formatBytes, &settings);
    }
    if (NT_SUCCESS(status) && (ULONG)InterlockedIncrement(&card->PinCount) > kCardMaximumPins) {
        InterlockedDecrement(&card->PinCount);
        status = STATUS_DEVICE_BUSY;
    }
    PCARD_PIN pin = NULL;
    if (NT_SUCCESS(status)) {
        pin = static_cast<PCARD_PIN>(AllocateZeroedPool(sizeof(CARD_PIN), NonPagedPool, kCardPinTag));
        if (pin == NULL) {
            InterlockedDecrement(&card->PinCount);
            status = STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    if (!NT_SUCCESS(status)) {
        FreeCardSettings(&settings);
        return CardCompleteRequest(Irp, status, 0);
    }
    InitializeObject(&pin->Header, CardPinObject, card, Irp);
    pin->Header.Settings = settings;
    KeInitializeMutex(&pin->Lock, 0);
    pin->Serial = (ULONG)InterlockedIncrement(&card->PinSerial);
    pin->Interface = connect.Interface.Id;
    RtlCopyMemory(pin->Format.Bytes, requested.bytes, requested.format.FormatSize);
    pin->State = KSSTATE_STOP;
    file->FsContext = &pin->Header;
    return CardCompleteRequest(Irp, STATUS_SUCCESS, 0);
}

// Ends a pin: what it still plays is played out to its recording, its
// looped buffer is released and its recording finished.
VOID CardDestroyPin(PCARD_PIN Pin)
{
    {
        CardPinLock lock(Pin);
        CardCatchUp(Pin);
        CardReleaseLoopedBuffer(Pin);
        CardEndRecording(Pin);
    }
    InterlockedDecrement(&Pin->Header.Device->PinCount);
    FreeCardSettings(&Pin->Header.Settings);
    ExFreePoolWithTag(Pin, kCardPinTag);
}

// IRP_MJ_CLOSE: the last reference to the file object is gone, so no other
// request can be using the object. Closes succeed even after the device was
// removed, so they take no remove lock.
NTSTATUS NTAPI CardDispatchClose(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    UNREFERENCED_PARAMETER(DeviceObject);
    PFILE_OBJECT file = IoGetCurrentIrpStackLocation(Irp)->FileObject;
    PCARD_OBJECT object = CardObjectOf(Irp);
    if (object != NULL && object->Kind == CardPinObject) {
        CardDestroyPin(CardPinOf(object));
    } else if (object != NULL && object->Kind == CardFilterObject) {
        FreeCardSettings(&object->Settings);
        ExFreePoolWithTag(CONTAINING_RECORD(object, CARD_FILTER, Header), kCardFilterTag);
    }
    if (file != NULL) {
        file->FsContext = NULL;
    }
    return CardCompleteRequest(Irp, STATUS_SUCCESS, 0);
}

// IRP_MJ_CLEANUP: the client's last handle is closed; the object lives on
// until the close.
NTSTATUS NTAPI CardDispatchCleanup(PDEVICE_OBJECT DeviceObject, PIRP Irp)
{
    UNREFERENCED_PARAMETER(DeviceObject);
    return CardCompleteRequest(Irp, STATUS_SUCCESS, 0);
}
