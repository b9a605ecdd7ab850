// The handlers of the filter's property table, as KsPropertyHandler calls
// them: the request, its captured property and its captured value (both
// kernel copies of at least the item's minimum sizes). A handler that
// answers sets IoStatus.Information; one that leaves the request to the
// card skips the filter's stack location and returns
// STATUS_MORE_PROCESSING_REQUIRED, and the property path sends it down.
// PASSIVE_LEVEL.
#pragma once

#include <wdm.h>

#include <ks.h>

#include "filter_device.h"

// The filter device whose dispatch routine called KsPropertyHandler.
inline FilterDevice* FilterDeviceOfRequest(PIRP irp)
{
    return FilterDeviceOf(IoGetCurrentIrpStackLocation(irp)->DeviceObject);
}

// Leaves the request to the card as the requester sent it.
NTSTATUS NTAPI PassDownUntouched(PIRP irp, PKSIDENTIFIER request, PVOID data);

// KSPROPSETID_Audio (audio_properties.cpp)
NTSTATUS NTAPI SetSpeakerGeometry(PIRP irp, PKSIDENTIFIER request, PVOID data);

// KSPROPSETID_Connection (connection_properties.cpp)
NTSTATUS NTAPI SetConnectionState(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI SetConnectionDataFormat(PIRP irp, PKSIDENTIFIER request, PVOID data);

// KSPROPSETID_VYOFilter (filter_properties.cpp)
NTSTATUS NTAPI GetProcMode(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI SetProcMode(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI SetHandlePrivate(PIRP irp, PKSIDENTIFIER request, PVOID data);

// KSPROPSETID_DrmAudioStream and KSPROPSETID_Pin (forwarded_properties.cpp)
NTSTATUS NTAPI SetDrmContentId(PIRP irp, PKSIDENTIFIER request, PVOID data);
NTSTATUS NTAPI GetPinInterfaces(PIRP irp, PKSIDENTIFIER request, PVOID data);

// The card's answer to the caller's own property and value, sent from the
// filter's copies with the request's lengths; IoStatus.Information becomes
// the card's byte count. Returns the card's status. The pin data
// intersection is answered by this alone.
NTSTATUS NTAPI ForwardCapturedProperty(PIRP irp, PKSIDENTIFIER request, PVOID data);
