// An engine's answer to a KS property request: the engine offers the
// request to KsPropertyHandler with its own property set, and tells its
// caller with STATUS_NOT_IMPLEMENTED that a request is not one of its own
// (another control code, another set, an id the set does not hold), so the
// caller can offer it elsewhere. The request is never completed here.
//
// The item handlers find the engine in the request's fourth driver-context
// word for the duration of the call; the word's own value is restored
// afterwards.
//
// PASSIVE_LEVEL, in the requester's thread.
#pragma once

#include <wdm.h>

#include <ks.h>

NTSTATUS HandleEnginePropertyRequest(PIRP irp, PVOID engine, const KSPROPERTY_SET* propertySet);

// For the item handlers: the engine HandleEnginePropertyRequest stored.
inline PVOID EngineOfPropertyRequest(PIRP irp)
{
    return irp->Tail.Overlay.DriverContext[3];
}
