// Moving frames between an interleaved PCM buffer and the slots of a block.
//
// Gathering reads the positions the stream's channel mask names into their
// slots (scaled by the input gain) and silences every other slot.
// Writing back ignores the mask: positions 0 .. 5 receive the slots of
// KOVAPositionMap, scaled by the output scale, and positions 6 and 7 of
// seven- and eight-channel frames receive silence.
//
// Real-time code.
#pragma once

#include <wdm.h>

#include "channel_layout.h"
#include "kova_block.h"

template <typename Pcm>
void GatherFrames(const KOVAChannelLayout& layout, ULONG channels, const UCHAR* data, LONG n, float inputGain,
                  KOVABlock& block)
{
    const ULONG frameBytes = channels * Pcm::kBytes;
    for (ULONG slot = 0; slot < kKOVASlotCount; ++slot) {
        ClearSamples(block.slot[slot], n);
    }
    for (LONG i = 0; i < n; ++i) {
        const UCHAR* frame = data + i * frameBytes;
        for (ULONG p = 0; p < layout.gatheredPositions; ++p) {
            block.slot[layout.slotOf[p]][i] = Pcm::ToFloat(frame + p * Pcm::kBytes) * inputGain;
        }
    }
}

template <typename Pcm>
void WriteBackFrames(const KOVABlock& block, ULONG channels, LONG n, float outputScale, PUCHAR data)
{
    const ULONG frameBytes = channels * Pcm::kBytes;
    const ULONG written = channels < kKOVAWrittenPositions ? channels : kKOVAWrittenPositions;
    for (LONG i = 0; i < n; ++i) {
        PUCHAR frame = data + i * frameBytes;
        ULONG p = 0;
        for (; p < written; ++p) {
            Pcm::FromFloat(block.slot[kKOVAPositionMap[p]][i] * outputScale, frame + p * Pcm::kBytes);
        }
        for (; p < channels; ++p) {
            Pcm::FromFloat(0.0f, frame + p * Pcm::kBytes);
        }
    }
}
