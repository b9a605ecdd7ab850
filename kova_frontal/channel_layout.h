// The seven engine channel slots, the channel masks a stream may have, which
// interleaved positions each mask gathers into which slot, and the fixed map
// that writes the slots back.
#pragma once

#include <wdm.h>
#include <mmreg.h>

#include "kova_parameters.h"

enum KOVASlot : ULONG {
    SlotL = 0,    // front left
    SlotR = 1,    // front right
    SlotLs = 2,   // left surround
    SlotRs = 3,   // right surround
    SlotCtr = 4,  // centre
    SlotLFE = 5,  // low-frequency effects; on output the subwoofer
    SlotCs = 6,   // back centre; mono surround of the 2/1 and 3/1 layouts
};

constexpr ULONG kKOVASlotCount = 7;

// Interleaved position -> slot, in WAVEFORMATEXTENSIBLE order (FL FR FC LFE
// BL BR BC). Write-back always uses it, whatever the stream's mask.
inline constexpr KOVASlot kKOVAPositionMap[kKOVASlotCount] = {
    SlotL, SlotR, SlotCtr, SlotLFE, SlotLs, SlotRs, SlotCs,
};

// Positions 0 .. 5 are written back; positions from 6 on get silence.
constexpr ULONG kKOVAWrittenPositions = 6;

struct KOVAChannelLayout {
    ULONG channelMask;
    ULONG gatheredPositions;          // positions 0 .. n-1 are read
    KOVASlot slotOf[kKOVASlotCount];  // the slot each read position fills
};

inline constexpr KOVAChannelLayout kKOVAChannelLayouts[] = {
    // mask   read  slots of positions 0, 1, 2 ...
    {0x3,    2, {SlotL, SlotR}},                                              // FL FR
    {0x33,   4, {SlotL, SlotR, SlotLs, SlotRs}},                              // FL FR BL BR
    {0x3F,   6, {SlotL, SlotR, SlotCtr, SlotLFE, SlotLs, SlotRs}},            // FL FR FC LFE BL BR
    {0x60F,  6, {SlotL, SlotR, SlotCtr, SlotLFE, SlotLs, SlotRs}},            // FL FR FC LFE SL SR
    {0x13F,  7, {SlotL, SlotR, SlotCtr, SlotLFE, SlotLs, SlotRs, SlotCs}},    // FL FR FC LFE BL BR BC
};

// The layouts are those of the supported masks, in the same order.
constexpr bool LayoutsFollowTheSupportedMasks()
{
    constexpr ULONG count = sizeof(kKOVAChannelMasks) / sizeof(kKOVAChannelMasks[0]);
    if (sizeof(kKOVAChannelLayouts) / sizeof(kKOVAChannelLayouts[0]) != count) {
        return false;
    }
    for (ULONG i = 0; i < count; ++i) {
        if (kKOVAChannelLayouts[i].channelMask != kKOVAChannelMasks[i]) {
            return false;
        }
    }
    return true;
}
static_assert(LayoutsFollowTheSupportedMasks());

static_assert((SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER | SPEAKER_LOW_FREQUENCY |
               SPEAKER_SIDE_LEFT | SPEAKER_SIDE_RIGHT) == 0x60F);

// The layout of a supported mask, or NULL.
inline const KOVAChannelLayout* FindKOVAChannelLayout(ULONG channelMask)
{
    for (const KOVAChannelLayout& layout : kKOVAChannelLayouts) {
        if (layout.channelMask == channelMask) {
            return &layout;
        }
    }
    return NULL;
}

constexpr ULONG CountSpeakerBits(ULONG mask)
{
    ULONG count = 0;
    for (; mask != 0; mask &= mask - 1) {
        ++count;
    }
    return count;
}

// A layout reads one position per speaker bit, so "no more mask bits than
// channels" is "no more gathered positions than channels".
constexpr bool EveryLayoutReadsOnePositionPerBit()
{
    for (const KOVAChannelLayout& layout : kKOVAChannelLayouts) {
        if (layout.gatheredPositions != CountSpeakerBits(layout.channelMask)) {
            return false;
        }
    }
    return true;
}
static_assert(EveryLayoutReadsOnePositionPerBit());
