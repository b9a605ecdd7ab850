#include "settings.h"

VOID LoadDefaults(EngineHost* host, PDEVICE_OBJECT physicalDeviceObject)
{
    UNREFERENCED_PARAMETER(host);
    UNREFERENCED_PARAMETER(physicalDeviceObject);
}

VOID LoadDeviceSettings(EngineHost* host, PDEVICE_OBJECT physicalDeviceObject)
{
    UNREFERENCED_PARAMETER(host);
    UNREFERENCED_PARAMETER(physicalDeviceObject);
}

NTSTATUS SaveDeviceSettings(EngineHost* host, PDEVICE_OBJECT physicalDeviceObject)
{
    UNREFERENCED_PARAMETER(host);
    UNREFERENCED_PARAMETER(physicalDeviceObject);
    return STATUS_SUCCESS;
}

VOID SaveSettingsAndClearChange(FilterDevice* device)
{
    if (NT_SUCCESS(SaveDeviceSettings(&device->Engines, device->PhysicalDeviceObject))) {
        WriteBooleanNoFence(&device->SettingsChanged, FALSE);
    }
}
