// The virtual sound card's output: where the card's driver hands what its
// pins play. On the simulated machine the output is a WAV file per
// recording, "pin<P>.wav" (and "pin<P>-<R>.wav" for a pin's later
// recordings) in a folder the card's settings name. The files are written
// as "<name>.partial" and renamed when the recording ends, so a file under
// its final name is always whole.
//
// These calls are the card's hardware interface, usable from kernel-dialect
// code: a recording is an opaque handle. A recording that cannot write its
// file still takes the audio handed to it and reports why at its end (see
// vcard_recordings.h).
#pragma once

#include <ntdef.h>

#include <mmreg.h>

// Starts recording Recording of pin PinSerial with the wave format (and
// the extra bytes its cbSize counts). Fails only when no recording can be
// made at all.
NT_EXTERN_C NTSTATUS NTAPI VCardSinkOpen(PCUNICODE_STRING Folder, ULONG PinSerial, ULONG Recording,
                                         const WAVEFORMATEX* Format, PVOID* Sink);
NT_EXTERN_C VOID NTAPI VCardSinkWrite(PVOID Sink, const VOID* Data, ULONG Bytes);
// Ends the recording: the file gets its final sizes and name.
NT_EXTERN_C VOID NTAPI VCardSinkClose(PVOID Sink);
