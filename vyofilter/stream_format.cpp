// What a tracked pin learns from its format and state changes.
//
// A format change resets the stream processors' filter state, which they
// allow only while they process nothing: it is made under the stream-list
// lock held exclusive, so no write request is inside a processor of this
// device meanwhile.

#include "data_format_query.h"
#include "filter_device.h"
#include "floating_point_guard.h"
#include "looped_streaming.h"
#include "stream_context.h"
#include "stream_list_lock.h"

namespace {

// The KOVA engine is given the front pair only, whatever the format's own
// channel mask says.
constexpr ULONG kFrontPairChannelMask = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;

// The context keeps the format when the floating-point state could be
// saved; the stream processors are told in either case (each saves the
// state itself where it needs it) and their refusals are not acted on: a
// processor that refused keeps its previous format. The caller holds the
// stream-list lock exclusive.
VOID ApplyStreamFormat(StreamContext* context, const WAVEFORMATEX* format)
{
    FloatingPointGuard floatingPoint;
    if (NT_SUCCESS(floatingPoint.Status())) {
        context->BitsPerSample = format->wBitsPerSample;
        context->Channels = format->nChannels;
        context->SampleRate = format->nSamplesPerSec;
    }
    if (context->Vyohd != NULL) {
        context->Vyohd->SetFormat(format);
    }
    if (context->Kova != NULL) {
        context->Kova->SetFormat(format->nSamplesPerSec, format->wBitsPerSample, format->nChannels,
                                 kFrontPairChannelMask);
    }
}

BOOLEAN IsTracked(EngineHost* host, PFILE_OBJECT fileObject)
{
    SharedStreamListLock lock(host);
    return FindStreamContext(host, fileObject) != NULL;
}

// The format the card holds for the pin now (a DirectSound format set
// earlier included), applied to its context.
VOID RelearnStreamFormat(EngineHost* host, PFILE_OBJECT fileObject)
{
    PKSDATAFORMAT answer = NULL;
    ULONG bytes = 0;
    if (!NT_SUCCESS(QueryPinDataFormat(host->Device, fileObject, PagedPool, &answer, &bytes))) {
        return;
    }
    const WAVEFORMATEX* format = WaveFormatOf(answer, bytes);
    if (format != NULL) {
        SetStreamFormat(host, fileObject, format);
    }
    FreeDataFormatAnswer(answer);
}

}  // namespace

VOID SetStreamFormat(EngineHost* host, PFILE_OBJECT fileObject, const WAVEFORMATEX* format)
{
    ExclusiveStreamListLock lock(host);
    StreamContext* context = FindStreamContext(host, fileObject);
    if (context != NULL) {
        ApplyStreamFormat(context, format);
    }
}

VOID ApplyStreamState(EngineHost* host, PFILE_OBJECT fileObject, KSSTATE state)
{
    if (state == KSSTATE_STOP || state == KSSTATE_ACQUIRE) {
        SharedStreamListLock lock(host);
        StreamContext* context = FindStreamContext(host, fileObject);
        if (context != NULL) {
            StopLoopWorker(context);
        }
    }
    // The card is asked without the lock held; the answer is applied under
    // it like any format change.
    if (state == KSSTATE_ACQUIRE && IsTracked(host, fileObject)) {
        RelearnStreamFormat(host, fileObject);
    }
    SharedStreamListLock lock(host);
    StreamContext* context = FindStreamContext(host, fileObject);
    if (context != NULL) {
        WriteNoFence(&context->State, state);
    }
}
