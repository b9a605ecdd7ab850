// One tracked PCM audio pin: its format as the filter last learned it, its
// state, and a stream processor of each engine. Contexts live in their
// EngineHost's stream list, keyed by the pin's file object, from the pin's
// create to its close.
//
// Every routine here runs at PASSIVE_LEVEL in the thread of the request
// that calls it.
#pragma once

#include <wdm.h>

#include <ks.h>
#include <mmreg.h>

#include "engine_host.h"

struct StreamContext {
    EngineHost* Host;
    FilterDevice* Device;
    LIST_ENTRY ListEntry;
    PFILE_OBJECT FileObject;        // the pin; the key of every lookup
    ULONG SampleRate;               // 44100 until a format is learned
    USHORT BitsPerSample;           // 16 until then
    USHORT Channels;                // 2 until then
    volatile LONG State;            // the last KSSTATE applied to the pin
    KOVAStream* Kova;               // owned; NULL when it could not be made
    VYOHDStream* Vyohd;             // owned; NULL when it could not be made

    // Looped streaming: the held buffer and its worker.
    ULONG LoopedBufferSize;
    PMDL LoopedBufferMdl;
    PVOID LoopedBufferAddress;
    PKTHREAD WorkerThread;
    KEVENT StopEvent;
    KEVENT StartedEvent;
    KMUTEX WorkerMutex;

    // Non-zero while a write request processes this pin's buffers; a second
    // request arriving meanwhile on another thread passes unprocessed, as
    // the stream processors take one caller at a time.
    volatile LONG Processing;
};

// Pin tracking (stream_tracking.cpp)

// After the card completed a create with success: when the new object is a
// PCM audio pin, gives it a StreamContext. A pin that cannot be tracked
// plays unprocessed; the create's own status is not changed.
VOID TrackPin(FilterDevice* device, PIRP createIrp);
// Appends a context for the file object with the initial format and stream
// processors of both engines (none when the floating-point state cannot be
// saved). STATUS_INSUFFICIENT_RESOURCES when the context cannot be made.
NTSTATUS AddStreamContext(EngineHost* host, PFILE_OBJECT fileObject);
// At the pin's close: destroys its context. Returns whether the stream
// list is empty afterwards.
BOOLEAN UntrackPin(EngineHost* host, PFILE_OBJECT fileObject);
// Destroys every context left in the list (the device is going away).
VOID ReleaseAllStreamContexts(EngineHost* host);
// The context of the file object, or NULL. The caller holds the
// stream-list lock, shared or exclusive, for as long as it uses the result.
StreamContext* FindStreamContext(EngineHost* host, PFILE_OBJECT fileObject);

// Formats and states (stream_format.cpp)

// After the card accepted a KSPROPERTY_CONNECTION_DATAFORMAT set with a
// wave format: the context and both stream processors take the format.
VOID SetStreamFormat(EngineHost* host, PFILE_OBJECT fileObject, const WAVEFORMATEX* format);
// After the card accepted a KSPROPERTY_CONNECTION_STATE set: a stop or
// acquire ends the looped-streaming worker; an acquire relearns the format
// from the card.
VOID ApplyStreamState(EngineHost* host, PFILE_OBJECT fileObject, KSSTATE state);

// The audio path (write_stream.cpp)

// IOCTL_KS_WRITE_STREAM, before it goes down: processes the requester's
// buffers in place when the request is well-formed, the pin is tracked and
// its extra channels are silent. Never fails the request; what cannot be
// processed passes unchanged.
VOID ProcessWriteStream(EngineHost* host, PIRP irp);
// Runs the engine that ProcMode selects over the buffer, in place.
// Real-time code: no allocation, no lock, no wait.
VOID ProcessBuffer(StreamContext* context, PVOID buffer, ULONG byteCount);
