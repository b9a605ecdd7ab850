// The format of a PCM stream as the engines and the filter see it: channel
// count, sample rate and bits per sample, taken from a WAVEFORMATEX. The
// format tag, block alignment and the extensible fields are not part of it.
#pragma once

#include <wdm.h>
#include <mmreg.h>

struct SampleFormat {
    USHORT channels;
    ULONG sampleRate;
    USHORT bitsPerSample;
};

inline SampleFormat SampleFormatFromWaveFormat(const WAVEFORMATEX* format)
{
    SampleFormat sampleFormat;
    sampleFormat.channels = format->nChannels;
    sampleFormat.sampleRate = format->nSamplesPerSec;
    sampleFormat.bitsPerSample = format->wBitsPerSample;
    return sampleFormat;
}
