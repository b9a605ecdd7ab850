// IOCTL_KS_WRITE_STREAM on a pin. The request's output buffer is an array
// of stream headers, each naming a buffer of the requester's. Every header
// and buffer is checked before any is used, and a client's are read only
// after a probe, inside a guarded block.
//
// A standard-streaming pin takes any number of headers without the looped
// flag: their data is the stream's next bytes, handed to the recording as
// it is accepted. A looped-streaming pin takes one header with the flag:
// the card locks that buffer and plays it until the pin stops, closes, or
// gets another.

#include "card.h"

namespace {

struct WriteRequest {
    PCARD_PIN Pin;
    PKSSTREAM_HEADER Headers;  // the requester's array
    ULONG Count;
    BOOLEAN FromClient;
    KPROCESSOR_MODE Mode;
};

// Copies header Index of the request and checks it: its size, its data
// within its frame, the looped flag as the pin's interface wants it, and a
// client's data readable by the client.
NTSTATUS CaptureHeader(const WriteRequest* Request, ULONG Index, PKSSTREAM_HEADER Header)
{
    volatile NTSTATUS status = STATUS_SUCCESS;
    SEH_TRY {
        if (Request->FromClient) {
            ProbeForRead(&Request->Headers[Index], sizeof(KSSTREAM_HEADER), sizeof(ULONG));
        }
        RtlCopyMemory(Header, &Request->Headers[Index], sizeof(KSSTREAM_HEADER));
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    if (!NT_SUCCESS(status)) {
        return status;
    }
    if (Header->Size != sizeof(KSSTREAM_HEADER)) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    const BOOLEAN looped = (Header->OptionsFlags & KSSTREAM_HEADER_OPTIONSF_LOOPEDDATA) != 0;
    const BOOLEAN loopedPin = Request->Pin->Interface == KSINTERFACE_STANDARD_LOOPED_STREAMING;
    if (Header->DataUsed > Header->FrameExtent || looped != loopedPin) {
        return STATUS_INVALID_PARAMETER;
    }
    if (looped && (Request->Count != 1 || Header->DataUsed == 0)) {
        return STATUS_INVALID_PARAMETER;  // one looped buffer, and one that holds something
    }
    if (Header->DataUsed > 0 && Header->Data == NULL) {
        return STATUS_INVALID_PARAMETER;
    }
    SEH_TRY {
        if (Request->FromClient) {
            ProbeForRead(Header->Data, Header->DataUsed, 1);
        }
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

NTSTATUS CheckHeaders(const WriteRequest* Request, ULONGLONG* Bytes)
{
    *Bytes = 0;
    for (ULONG i = 0; i < Request->Count; ++i) {
        KSSTREAM_HEADER header;
        const NTSTATUS status = CaptureHeader(Request, i, &header);
        if (!NT_SUCCESS(status)) {
            return status;
        }
        *Bytes += header.DataUsed;
    }
    return STATUS_SUCCESS;
}

// Hands the client's bytes to the recording, in a guarded block: the
// client may free them while the card reads.
NTSTATUS RecordClientData(PCARD_PIN Pin, const VOID* Data, ULONG Bytes)
{
    NTSTATUS status = STATUS_SUCCESS;
    SEH_TRY {
        CardRecord(Pin, Data, Bytes);
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

// The stream's next bytes: recorded as they arrive, counted as written.
// The headers are captured again, so a client that changes them meanwhile
// gets them checked again.
NTSTATUS AcceptStreamBuffers(const WriteRequest* Request)
{
    CardCatchUp(Request->Pin);
    for (ULONG i = 0; i < Request->Count; ++i) {
        KSSTREAM_HEADER header;
        NTSTATUS status = CaptureHeader(Request, i, &header);
        if (NT_SUCCESS(status)) {
            status = RecordClientData(Request->Pin, header.Data, header.DataUsed);
        }
        if (!NT_SUCCESS(status)) {
            return status;
        }
        Request->Pin->WrittenBytes += header.DataUsed;
    }
    return STATUS_SUCCESS;
}

NTSTATUS LockPages(PMDL Mdl, KPROCESSOR_MODE Mode)
{
    NTSTATUS status = STATUS_SUCCESS;
    SEH_TRY {
        MmProbeAndLockPages(Mdl, Mode, IoReadAccess);
    } SEH_EXCEPT {
        status = SEH_EXCEPTION_CODE;
    } SEH_END;
    return status;
}

// The looped buffer: locked for the card's reading and played from its
// start, in place of any buffer before it.
NTSTATUS AcceptLoopedBuffer(const WriteRequest* Request)
{
    KSSTREAM_HEADER header;
    NTSTATUS status = CaptureHeader(Request, 0, &header);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    PCARD_PIN pin = Request->Pin;
    CardCatchUp(pin);
    CardReleaseLoopedBuffer(pin);
    PMDL mdl = IoAllocateMdl(header.Data, header.DataUsed, FALSE, FALSE, NULL);
    if (mdl == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    status = LockPages(mdl, Request->Mode);
    if (!NT_SUCCESS(status)) {
        IoFreeMdl(mdl);
        return status;
    }
    PUCHAR data = static_cast<PUCHAR>(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority));
    if (data == NULL) {
        MmUnlockPages(mdl);
        IoFreeMdl(mdl);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    pin->LoopedMdl = mdl;
    pin->LoopedData = data;
    pin->LoopedSize = header.DataUsed;
    pin->PlayedBytes = 0;
    pin->AnchorBytes = 0;
    pin->AnchorTime = KeQueryInterruptTime();
    return STATUS_SUCCESS;
}

}  // namespace

// Returns the request's status; Information is the bytes of data taken.
NTSTATUS CardWriteStream(PIRP Irp)
{
    PCARD_PIN pin = CardPinOf(CardObjectOf(Irp));
    if (pin == NULL) {
        return STATUS_INVALID_DEVICE_REQUEST;  // only pins take streams
    }
    const ULONG length = IoGetCurrentIrpStackLocation(Irp)->Parameters.DeviceIoControl.OutputBufferLength;
    if (Irp->UserBuffer == NULL || length == 0 || length % sizeof(KSSTREAM_HEADER) != 0) {
        return STATUS_INVALID_BUFFER_SIZE;
    }
    WriteRequest request = {pin, static_cast<PKSSTREAM_HEADER>(Irp->UserBuffer),
                            (ULONG)(length / sizeof(KSSTREAM_HEADER)), Irp->RequestorMode == UserMode,
                            Irp->RequestorMode};
    CardPinLock lock(pin);
    ULONGLONG bytes = 0;
    NTSTATUS status = CheckHeaders(&request, &bytes);
    if (NT_SUCCESS(status)) {
        const BOOLEAN looped = pin->Interface == KSINTERFACE_STANDARD_LOOPED_STREAMING;
        status = looped ? AcceptLoopedBuffer(&request) : AcceptStreamBuffers(&request);
    }
    Irp->IoStatus.Information = NT_SUCCESS(status) ? (ULONG_PTR)bytes : 0;
    return status;
}
