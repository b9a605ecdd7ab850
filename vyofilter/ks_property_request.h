// Sending a KS property request of the filter's own to the device below,
// and waiting for its answer.
#pragma once

#include <wdm.h>

#include <ks.h>

// Sends IOCTL_KS_PROPERTY with the property as input and the value as
// output to `lower`, on `fileObject` (the object the property addresses),
// and waits for it. Returns the request's status and, in `information`,
// its byte count; STATUS_INSUFFICIENT_RESOURCES when the request cannot be
// built. The buffers are kernel memory and stay the caller's. PASSIVE_LEVEL.
NTSTATUS SendKsPropertyRequest(PDEVICE_OBJECT lower, PFILE_OBJECT fileObject, PVOID property, ULONG propertyLength,
                               PVOID value, ULONG valueLength, PULONG_PTR information);

// The same with a plain KSPROPERTY of the set, id and flags.
NTSTATUS SendKsPropertyRequest(PDEVICE_OBJECT lower, PFILE_OBJECT fileObject, const GUID& set, ULONG id,
                               ULONG flags, PVOID value, ULONG valueLength, PULONG_PTR information);
