#include "service_parameters.h"

#include "registry_values.h"

namespace {

// Reads one value of the Parameters key into `value`; `value` keeps its
// default when the key or the value is missing or malformed.
VOID ReadServiceParameter(PCWSTR name, PULONG value)
{
    UNICODE_STRING path =
        RTL_CONSTANT_STRING(L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\vyofilter\\Parameters");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    HANDLE key = NULL;
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_ALL_ACCESS, &attributes))) {
        return;
    }
    ReadRegistryDword(key, name, value);
    ZwClose(key);
}

}  // namespace

BOOLEAN ReadLoopedStreamingDisabled()
{
    ULONG disabled = 0;
    ReadServiceParameter(L"DisableLoopedStreaming", &disabled);
    return disabled != 0 ? TRUE : FALSE;
}
