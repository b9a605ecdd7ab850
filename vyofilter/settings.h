// The settings of each sound card: the one-time installation defaults
// under the service key, and the card's own saved settings under its
// driver key.
//
// The registry work itself (the values, their keys, what each engine
// reads and writes) is not written yet: for now a card starts from the
// engines' built-in values with ProcMode 0 every time, and nothing is
// saved. The callers already call these routines at the points where
// settings are loaded and saved.
#pragma once

#include <wdm.h>

#include "engine_host.h"
#include "filter_device.h"

// In AddDevice, before the device is attached. PASSIVE_LEVEL.
VOID LoadDefaults(EngineHost* host, PDEVICE_OBJECT physicalDeviceObject);
VOID LoadDeviceSettings(EngineHost* host, PDEVICE_OBJECT physicalDeviceObject);
// Always STATUS_SUCCESS. PASSIVE_LEVEL.
NTSTATUS SaveDeviceSettings(EngineHost* host, PDEVICE_OBJECT physicalDeviceObject);

// Saves the device's settings and clears its settings-changed flag when the
// save succeeded.
VOID SaveSettingsAndClearChange(FilterDevice* device);
