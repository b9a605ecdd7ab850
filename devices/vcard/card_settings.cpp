// The card's settings in its hardware key ("Device Parameters"): what it
// refuses, for testing the layers above on their error paths, and the
// folder its pins record into. Read at every filter and pin create.

#include "card.h"

namespace {

typedef struct _CARD_DWORD_SETTING {
    PCWSTR Name;
    ULONG Offset;
} CARD_DWORD_SETTING;

const CARD_DWORD_SETTING kCardDwordSettings[] = {
    {L"RefuseSampleRate", FIELD_OFFSET(CARD_SETTINGS, RefuseSampleRate)},
    {L"RefuseBitsPerSample", FIELD_OFFSET(CARD_SETTINGS, RefuseBitsPerSample)},
    {L"RefuseChannels", FIELD_OFFSET(CARD_SETTINGS, RefuseChannels)},
    {L"RefuseStates", FIELD_OFFSET(CARD_SETTINGS, RefuseStates)},
    {L"RefuseSpeakerGeometry", FIELD_OFFSET(CARD_SETTINGS, RefuseSpeakerGeometry)},
    {L"RefusePositionQuery", FIELD_OFFSET(CARD_SETTINGS, RefusePositionQuery)},
    {L"RefuseFormatQuery", FIELD_OFFSET(CARD_SETTINGS, RefuseFormatQuery)},
};

// The value's partial information, from paged pool (tag VCrg), or NULL
// when it is missing or not of Type.
PKEY_VALUE_PARTIAL_INFORMATION QueryValue(HANDLE Key, PCWSTR Name, ULONG Type)
{
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, Name);
    ULONG length = 0;
    NTSTATUS status = ZwQueryValueKey(Key, &name, KeyValuePartialInformation, NULL, 0, &length);
    if ((status != STATUS_BUFFER_TOO_SMALL && status != STATUS_BUFFER_OVERFLOW) || length == 0) {
        return NULL;
    }
    PKEY_VALUE_PARTIAL_INFORMATION info =
        static_cast<PKEY_VALUE_PARTIAL_INFORMATION>(ExAllocatePoolWithTag(PagedPool, length, kCardRegistryTag));
    if (info == NULL) {
        return NULL;
    }
    status = ZwQueryValueKey(Key, &name, KeyValuePartialInformation, info, length, &length);
    if (!NT_SUCCESS(status) || info->Type != Type) {
        ExFreePoolWithTag(info, kCardRegistryTag);
        return NULL;
    }
    return info;
}

VOID ReadDword(HANDLE Key, const CARD_DWORD_SETTING* Setting, PCARD_SETTINGS Settings)
{
    PKEY_VALUE_PARTIAL_INFORMATION info = QueryValue(Key, Setting->Name, REG_DWORD);
    if (info == NULL) {
        return;
    }
    if (info->DataLength == sizeof(ULONG)) {
        RtlCopyMemory((PUCHAR)Settings + Setting->Offset, info->Data, sizeof(ULONG));
    }
    ExFreePoolWithTag(info, kCardRegistryTag);
}

// A REG_SZ value as a counted string of its own (tag VCst), without its
// terminator.
VOID ReadString(HANDLE Key, PCWSTR Name, PUNICODE_STRING Value)
{
    PKEY_VALUE_PARTIAL_INFORMATION info = QueryValue(Key, Name, REG_SZ);
    if (info == NULL) {
        return;
    }
    ULONG characters = info->DataLength / sizeof(WCHAR);
    const WCHAR* text = reinterpret_cast<const WCHAR*>(info->Data);
    while (characters > 0 && text[characters - 1] == L'\0') {
        --characters;
    }
    const ULONG bytes = characters * sizeof(WCHAR);
    if (characters > 0 && bytes + sizeof(WCHAR) <= 0xFFFF) {
        PWSTR buffer = static_cast<PWSTR>(ExAllocatePoolWithTag(PagedPool, bytes + sizeof(WCHAR), kCardStringTag));
        if (buffer != NULL) {
            RtlCopyMemory(buffer, text, bytes);
            buffer[characters] = L'\0';
            Value->Buffer = buffer;
            Value->Length = (USHORT)bytes;
            Value->MaximumLength = (USHORT)(bytes + sizeof(WCHAR));
        }
    }
    ExFreePoolWithTag(info, kCardRegistryTag);
}

}  // namespace

VOID ReadCardSettings(PDEVICE_OBJECT PhysicalDeviceObject, PCARD_SETTINGS Settings)
{
    RtlZeroMemory(Settings, sizeof(*Settings));
    HANDLE key = NULL;
    if (!NT_SUCCESS(IoOpenDeviceRegistryKey(PhysicalDeviceObject, PLUGPLAY_REGKEY_DEVICE, KEY_READ, &key))) {
        return;
    }
    for (const CARD_DWORD_SETTING& setting : kCardDwordSettings) {
        ReadDword(key, &setting, Settings);
    }
    ReadString(key, L"SinkFolder", &Settings->SinkFolder);
    ZwClose(key);
}

VOID FreeCardSettings(PCARD_SETTINGS Settings)
{
    if (Settings->SinkFolder.Buffer != NULL) {
        ExFreePoolWithTag(Settings->SinkFolder.Buffer, kCardStringTag);
    }
    RtlZeroMemory(&Settings->SinkFolder, sizeof(Settings->SinkFolder));
}
