// The wave format a client hands the card for audio of a format: PCM, made
// WAVEFORMATEXTENSIBLE (with the audio's channel mask, when it has one) for
// more than two channels or more than 16 bits, as the platform asks.
#pragma once

#include <ks_client.h>

#include "audio/audio.h"

namespace vastum {

inline WAVEFORMATEXTENSIBLE ClientWaveFormat(const AudioFormat& format)
{
    WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(format.channels, format.sampleRate, format.bitsPerSample);
    if (format.channelMask && wave.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        wave.dwChannelMask = *format.channelMask;
    }
    return wave;
}

}  // namespace vastum
