#include "registry_values.h"

namespace {

constexpr ULONG kParameterSize = 4;

}  // namespace

BOOLEAN ReadRegistryValue(HANDLE key, PCWSTR name, PVOID out, ULONG expectedType)
{
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    ULONG needed = 0;
    // The size probe: only STATUS_BUFFER_TOO_SMALL says the value exists.
    if (ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, NULL, 0, &needed) != STATUS_BUFFER_TOO_SMALL) {
        return FALSE;
    }
    auto* info = static_cast<PKEY_VALUE_PARTIAL_INFORMATION>(ExAllocatePoolWithTag(PagedPool, needed, kRegistryQueryTag));
    if (info == NULL) {
        return FALSE;
    }
    BOOLEAN found = FALSE;
    if (NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, info, needed, &needed)) &&
        info->Type == expectedType && info->DataLength == kParameterSize) {
        RtlCopyMemory(out, info->Data, kParameterSize);
        found = TRUE;
    }
    ExFreePoolWithTag(info, kRegistryQueryTag);
    return found;
}

BOOLEAN ReadRegistryBool(HANDLE key, PCWSTR name, PUCHAR out)
{
    *out = 0;
    ULONG value = 0;
    if (!ReadRegistryDword(key, name, &value)) {
        return FALSE;
    }
    *out = value != 0 ? 1 : 0;
    return TRUE;
}

NTSTATUS WriteRegistryDword(HANDLE key, PCWSTR name, ULONG value)
{
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    return ZwSetValueKey(key, &valueName, 0, REG_DWORD, &value, kParameterSize);
}

NTSTATUS WriteRegistryFloat(HANDLE key, PCWSTR name, float value)
{
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    return ZwSetValueKey(key, &valueName, 0, REG_BINARY, &value, kParameterSize);
}
