// What a pin plays, and when. While the pin runs, the bytes it has played
// grow with the machine's clock (the manual clock in tests) at the rate of
// its format. A standard stream plays what was written to it and waits,
// starved, when it runs out; a looped stream plays its buffer over and over
// and hands each pass to the recording.
//
// The card learns how far the clock has moved whenever a request looks at
// the pin (a position, a state change, a write, the close), so a looped
// buffer is recorded as it was at those moments: exact for a client that
// writes ahead of the play position, as looped clients do.

#include "card.h"

#include <vcard_sink.h>

namespace {

constexpr ULONGLONG kUnitsPerSecond = 10000000;  // the interrupt time counts 100 ns units
constexpr ULONGLONG kHardwareBufferUnits = 100000;  // the card reads 10 ms ahead of what it plays

const WAVEFORMATEX* WaveOf(PCARD_PIN Pin)
{
    return CardWaveFormatOf(&Pin->Format.DataFormat);
}

// Whole frames of the format played in Units of time, in bytes.
ULONGLONG BytesIn(ULONGLONG Units, const WAVEFORMATEX* Wave)
{
    const ULONGLONG rate = Wave->nSamplesPerSec;
    const ULONGLONG frames = (Units / kUnitsPerSecond) * rate + (Units % kUnitsPerSecond) * rate / kUnitsPerSecond;
    return frames * Wave->nBlockAlign;
}

BOOLEAN IsLooped(PCARD_PIN Pin)
{
    return Pin->Interface == KSINTERFACE_STANDARD_LOOPED_STREAMING;
}

VOID Reanchor(PCARD_PIN Pin, ULONGLONG Now)
{
    Pin->AnchorTime = Now;
    Pin->AnchorBytes = Pin->PlayedBytes;
}

// Records Bytes of the looped buffer from where the play position stands.
VOID PlayLooped(PCARD_PIN Pin, ULONGLONG Bytes)
{
    ULONG offset = (ULONG)(Pin->PlayedBytes % Pin->LoopedSize);
    while (Bytes > 0) {
        const ULONG rest = Pin->LoopedSize - offset;
        const ULONG chunk = Bytes < rest ? (ULONG)Bytes : rest;
        CardRecord(Pin, Pin->LoopedData + offset, chunk);
        Bytes -= chunk;
        offset = 0;
    }
}

}  // namespace

VOID CardCatchUp(PCARD_PIN Pin)
{
    if (Pin->State != KSSTATE_RUN) {
        return;
    }
    const ULONGLONG now = KeQueryInterruptTime();
    const ULONGLONG due = Pin->AnchorBytes + BytesIn(now - Pin->AnchorTime, WaveOf(Pin));
    if (IsLooped(Pin)) {
        if (Pin->LoopedData == NULL) {
            Reanchor(Pin, now);  // running with nothing to play
            return;
        }
        PlayLooped(Pin, due - Pin->PlayedBytes);
        Pin->PlayedBytes = due;
        return;
    }
    if (due > Pin->WrittenBytes) {
        // Starved: everything written has played, and the time since then
        // passed in silence; the next bytes written play from now on.
        Pin->PlayedBytes = Pin->WrittenBytes;
        Reanchor(Pin, now);
        return;
    }
    Pin->PlayedBytes = due;
}

VOID CardChangeState(PCARD_PIN Pin, KSSTATE State)
{
    CardCatchUp(Pin);
    if (State == KSSTATE_STOP) {
        // A stopped pin starts its stream again from the beginning.
        CardReleaseLoopedBuffer(Pin);
        Pin->PlayedBytes = 0;
        Pin->WrittenBytes = 0;
    }
    if (State == KSSTATE_RUN && Pin->State != KSSTATE_RUN) {
        Reanchor(Pin, KeQueryInterruptTime());
    }
    Pin->State = State;
}

VOID CardPosition(PCARD_PIN Pin, PKSAUDIO_POSITION Position)
{
    CardCatchUp(Pin);
    if (!IsLooped(Pin)) {
        Position->PlayOffset = Pin->PlayedBytes;
        Position->WriteOffset = Pin->WrittenBytes;
        return;
    }
    if (Pin->LoopedSize == 0) {
        Position->PlayOffset = 0;
        Position->WriteOffset = 0;
        return;
    }
    ULONGLONG ahead = BytesIn(kHardwareBufferUnits, WaveOf(Pin));
    if (ahead >= Pin->LoopedSize) {
        ahead = 0;  // a buffer shorter than the hardware's reserves nothing beyond the play position
    }
    Position->PlayOffset = Pin->PlayedBytes % Pin->LoopedSize;
    Position->WriteOffset = (Position->PlayOffset + ahead) % Pin->LoopedSize;
}

VOID CardRecord(PCARD_PIN Pin, const VOID* Data, ULONG Bytes)
{
    if (Bytes == 0 || Pin->Header.Settings.SinkFolder.Length == 0) {
        return;
    }
    if (Pin->Sink == NULL) {
        Pin->Recording += 1;
        if (!NT_SUCCESS(VCardSinkOpen(&Pin->Header.Settings.SinkFolder, Pin->Serial, Pin->Recording, WaveOf(Pin),
                                      &Pin->Sink))) {
            Pin->Sink = NULL;
            return;
        }
    }
    VCardSinkWrite(Pin->Sink, Data, Bytes);
}

VOID CardEndRecording(PCARD_PIN Pin)
{
    if (Pin->Sink != NULL) {
        VCardSinkClose(Pin->Sink);
        Pin->Sink = NULL;
    }
}

VOID CardReleaseLoopedBuffer(PCARD_PIN Pin)
{
    if (Pin->LoopedMdl != NULL) {
        MmUnlockPages(Pin->LoopedMdl);
        IoFreeMdl(Pin->LoopedMdl);
    }
    Pin->LoopedMdl = NULL;
    Pin->LoopedData = NULL;
    Pin->LoopedSize = 0;
}
