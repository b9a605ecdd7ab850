// Completing a request, and handing it to the device below: passed down
// (the filter is done with it) or forwarded synchronously (the filter
// waits for the device below and finishes the request itself).
#pragma once

#include <wdm.h>

#include "filter_device.h"

// Sets the request's status and byte count and completes it; returns the
// status. The request belongs to the I/O manager afterwards.
NTSTATUS CompleteRequest(PIRP irp, NTSTATUS status, ULONG_PTR information);

// Skips the filter's stack location and calls the device below; returns its
// status. The request belongs to the drivers below afterwards.
NTSTATUS PassDown(FilterDevice* device, PIRP irp);

// Sends the request to the device below with a completion routine that
// hands it back, waits until the device below has completed it, and
// returns its IoStatus.Status. The request still belongs to the caller,
// which completes it. PASSIVE_LEVEL.
NTSTATUS ForwardSynchronously(FilterDevice* device, PIRP irp);
