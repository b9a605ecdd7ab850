// A pin's data format as the card reports it (KSPROPERTY_CONNECTION_DATAFORMAT
// get), and the wave format inside a data format.
#pragma once

#include <wdm.h>

#include <ksmedia.h>

#include "filter_device.h"

// Room for the largest format an audio pin reports: a DirectSound buffer
// description holding a WAVEFORMATEXTENSIBLE.
constexpr ULONG kDataFormatAnswerBytes =
    sizeof(KSDATAFORMAT_DSOUND) + sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);

// Asks the device below for the pin's data format into a block of `pool`
// (tag KSDF) that the caller frees with FreeDataFormatAnswer. On success
// `bytes` is how much of it the card filled. PASSIVE_LEVEL.
NTSTATUS QueryPinDataFormat(FilterDevice* device, PFILE_OBJECT pin, POOL_TYPE pool, PKSDATAFORMAT* answer,
                            PULONG bytes);
VOID FreeDataFormatAnswer(PKSDATAFORMAT answer);

// The wave format that `bytes` bytes of data format hold: behind the
// KSDATAFORMAT with the WAVEFORMATEX specifier, behind the Flags and Control
// of a KSDSOUND_BUFFERDESC with the DirectSound specifier. NULL for any
// other specifier, or when the bytes end before a whole WAVEFORMATEX.
const WAVEFORMATEX* WaveFormatOf(const KSDATAFORMAT* format, ULONG bytes);
