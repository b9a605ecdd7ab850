// Change notification between the clients of one filter device: each
// client may register an event of its own process (HandlePrivate); after
// any client changes a setting, the events of all the other clients are
// signalled, and they read the settings again.
//
// One entry per registering file object, in a list guarded by the device's
// notification mutex alone. PASSIVE_LEVEL.
#pragma once

#include <wdm.h>

#include "filter_device.h"

// Registers the event behind `eventHandle` for the file object, replacing
// the event it had registered before. The handle is resolved in the
// requester's process with the requester's access (`requestorMode`), so a
// client can name only an event it holds itself. On failure the file
// object has no registration afterwards: the failing status of the handle
// lookup, or STATUS_INSUFFICIENT_RESOURCES.
NTSTATUS RegisterChangeEvent(FilterDevice* device, PFILE_OBJECT fileObject, HANDLE eventHandle,
                             KPROCESSOR_MODE requestorMode);
// Drops the file object's registration, if it has one.
VOID UnregisterChangeEvent(FilterDevice* device, PFILE_OBJECT fileObject);
// A setting changed through `requester`: marks the settings as changed and
// signals every other client's event.
VOID NotifyOtherClients(FilterDevice* device, PFILE_OBJECT requester);
// Drops every registration (the device is going away).
VOID ReleaseChangeEvents(FilterDevice* device);
