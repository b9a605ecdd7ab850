// IOCTL_KS_PROPERTY on any object of the card (its filter or a pin):
//
//   1. the engines, KOVA first, answer their own property sets;
//   2. the filter's table (property_table.cpp) handles its own set and the
//      few standard properties it watches on their way to the card;
//   3. everything else goes down to the card untouched.
//
// A successful set of an engine parameter, and every ProcMode set, tells
// the other clients (change_notification.h).
#pragma once

#include <wdm.h>

#include "filter_device.h"

// PASSIVE_LEVEL, in the requester's thread. Completes the request or passes
// it down; returns its status.
NTSTATUS HandleKsPropertyRequest(FilterDevice* device, PIRP irp);
