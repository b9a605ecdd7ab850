// Looped (cyclic) buffers: a client's buffer that the card plays over and
// over while the client rewrites it, processed by a worker thread ahead of
// the play position.
//
// The worker is not written yet. Until it is, a looped buffer plays
// unprocessed (AcceptLoopedBuffer leaves it alone), no worker ever runs
// (StopLoopWorker has nothing to stop), and the card's pin interfaces reach
// clients as the card reports them (FilterPinInterfaces changes nothing).
#pragma once

#include <wdm.h>

#include <ks.h>

#include "filter_device.h"
#include "stream_context.h"

// From ProcessWriteStream, for a looped header of a request whose content
// test passed, with the stream-list lock held shared and the floating-point
// state saved. The header is the filter's checked copy.
VOID AcceptLoopedBuffer(StreamContext* context, const KSSTREAM_HEADER* header);
// Stops the context's worker and waits until it has ended. Called with the
// stream-list lock held.
VOID StopLoopWorker(StreamContext* context);
// After the card answered a KSPROPERTY_PIN_INTERFACES get into `answer`
// (the filter's copy, `outputLength` bytes).
VOID FilterPinInterfaces(FilterDevice* device, PVOID answer, ULONG outputLength);
