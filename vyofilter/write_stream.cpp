// The audio path: IOCTL_KS_WRITE_STREAM requests are processed in place, in
// the requester's thread, before they go down to the card.
//
// The stream headers and the buffers they name are the requester's memory.
// For a client (UserMode) every header is read only after a probe, and its
// buffer must be the client's writable memory for all of its DataUsed
// bytes, since the engines write the processed samples back into it; every
// access is guarded. A request that fails any check passes down
// unprocessed, for the card to refuse or play as it sees fit.
//
// Real-time code throughout: no allocation, no waiting beyond the shared
// stream-list lock, no registry, no logging.

#include <vyofilter_properties.h>

#include "content_test.h"
#include "filter_device.h"
#include "floating_point_guard.h"
#include "looped_streaming.h"
#include "stream_context.h"
#include "stream_list_lock.h"

namespace {

struct WriteRequest {
    PKSSTREAM_HEADER Headers;  // the requester's array
    ULONG Count;               // whole headers in the request's output length
    BOOLEAN FromClient;
};

// Copies header `index` of the request into `header` and checks it.
NTSTATUS CaptureStreamHeader(const WriteRequest* request, ULONG index, PKSSTREAM_HEADER header)
{
    volatile NTSTATUS status = STATUS_SUCCESS;  // set by the guarded block's handler
    SEH_TRY {
        if (request->FromClient) {
            ProbeForRead(&request->Headers[index], sizeof(KSSTREAM_HEADER), sizeof(ULONG));
        }
        RtlCopyMemory(header, &request->Headers[index], sizeof(KSSTREAM_HEADER));
        if (request->FromClient) {
            ProbeForWrite(header->Data, header->DataUsed, 1);
        }
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (header->Size != sizeof(KSSTREAM_HEADER) || header->DataUsed > header->FrameExtent ||
        (header->DataUsed > 0 && header->Data == NULL)) {
        return STATUS_INVALID_PARAMETER;
    }
    return STATUS_SUCCESS;
}

// Whether every header of the request passes its checks. Header 0, as it
// was captured here, is left in `first` for the content test.
BOOLEAN RequestIsWellFormed(const WriteRequest* request, PKSSTREAM_HEADER first)
{
    if (!NT_SUCCESS(CaptureStreamHeader(request, 0, first))) {
        return FALSE;
    }
    for (ULONG index = 1; index < request->Count; ++index) {
        KSSTREAM_HEADER header;
        if (!NT_SUCCESS(CaptureStreamHeader(request, index, &header))) {
            return FALSE;
        }
    }
    return TRUE;
}

// Only the first buffer of a request is examined.
BOOLEAN FirstBufferPassesContentTest(const KSSTREAM_HEADER* first, const StreamContext* context)
{
    volatile BOOLEAN silent = FALSE;  // set inside the guarded block
    SEH_TRY {
        silent = ExtraChannelsAreSilent(static_cast<const UCHAR*>(first->Data), first->DataUsed, context->Channels,
                                        context->BitsPerSample);
    } SEH_EXCEPT {
        silent = FALSE;
    } SEH_END;
    return silent;
}

VOID ProcessClientBuffer(StreamContext* context, PVOID data, ULONG byteCount)
{
    SEH_TRY {
        ProcessBuffer(context, data, byteCount);
    } SEH_EXCEPT {
        // The client took its buffer away while it was processed; what is
        // left of it goes down as it is.
    } SEH_END;
}

// Each header in array order: its buffer processed, or, when it is looped,
// handed to looped streaming. The headers are captured and checked again,
// so a client that rewrites them meanwhile cannot steer the engines outside
// its memory; processing stops at the first that fails.
VOID ProcessHeaders(const WriteRequest* request, StreamContext* context)
{
    for (ULONG index = 0; index < request->Count; ++index) {
        KSSTREAM_HEADER header;
        if (!NT_SUCCESS(CaptureStreamHeader(request, index, &header))) {
            return;
        }
        if (header.OptionsFlags & KSSTREAM_HEADER_OPTIONSF_LOOPEDDATA) {
            AcceptLoopedBuffer(context, &header);
        } else {
            ProcessClientBuffer(context, header.Data, header.DataUsed);
        }
    }
}

// One write request at a time inside a pin's stream processors. Claiming
// never waits: a request that finds the pin taken passes unprocessed.
class ProcessingClaim {
public:
    explicit ProcessingClaim(StreamContext* context)
        : m_Context(context), m_Held(InterlockedCompareExchange(&context->Processing, 1, 0) == 0)
    {
    }

    ~ProcessingClaim()
    {
        if (m_Held) {
            InterlockedExchange(&m_Context->Processing, 0);
        }
    }

    BOOLEAN Held() const { return m_Held; }

    ProcessingClaim(const ProcessingClaim&) = delete;
    ProcessingClaim& operator=(const ProcessingClaim&) = delete;

private:
    StreamContext* m_Context;
    BOOLEAN m_Held;
};

}  // namespace

VOID ProcessWriteStream(EngineHost* host, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    WriteRequest request;
    request.Headers = static_cast<PKSSTREAM_HEADER>(irp->UserBuffer);
    request.Count = stack->Parameters.DeviceIoControl.OutputBufferLength / sizeof(KSSTREAM_HEADER);
    request.FromClient = irp->RequestorMode == UserMode;
    if (request.Headers == NULL || request.Count == 0) {
        return;
    }
    SharedStreamListLock lock(host);
    StreamContext* context = FindStreamContext(host, stack->FileObject);
    if (context == NULL || context->Channels < 2) {
        return;  // not a tracked pin, mono, or a format without channels
    }
    KSSTREAM_HEADER first;
    if (!RequestIsWellFormed(&request, &first)) {
        return;
    }
    FloatingPointGuard floatingPoint;
    if (!NT_SUCCESS(floatingPoint.Status()) || !FirstBufferPassesContentTest(&first, context)) {
        return;
    }
    ProcessingClaim claim(context);
    if (claim.Held()) {
        ProcessHeaders(&request, context);
    }
}

VOID ProcessBuffer(StreamContext* context, PVOID buffer, ULONG byteCount)
{
    switch (ReadProcMode(context->Device)) {
    case VYOFILTER_PROCMODE_VYOHD:
        if (context->Vyohd != NULL) {
            context->Vyohd->ProcessInPlace(static_cast<PUCHAR>(buffer), byteCount);
        }
        break;
    case VYOFILTER_PROCMODE_KOVA:
        if (context->Kova != NULL && context->Host->Kova->GetEnable()) {
            context->Kova->ProcessInPlace(buffer, byteCount);
        }
        break;
    default:
        break;  // 2 to 6: the audio passes unchanged
    }
}
