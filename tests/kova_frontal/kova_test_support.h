// Small helpers shared by the KOVA engine tests: a manager with streams that
// are released in the right order, interleaved 16-bit buffers, and a
// reference KOVADither generator written from its definition.
#pragma once

#include <cstdint>
#include <vector>

#include "kova_manager.h"
#include "kova_state.h"
#include "kova_stream.h"

struct ManagerWithStreams {
    KOVAManagerObject* manager = KOVAManagerObject::Create();
    std::vector<KOVAStreamObject*> streams;

    ~ManagerWithStreams();
    KOVAStreamObject* AddStream();
    // A stream formatted with `rate`, `bits`, `channels` and `mask`.
    KOVAStreamObject* AddFormattedStream(ULONG rate, USHORT bits, USHORT channels, ULONG mask);
};

// An interleaved 16-bit buffer of `frames` frames of `channels` samples.
std::vector<std::int16_t> Interleaved16(ULONG frames, ULONG channels, std::int16_t (*sample)(ULONG frame, ULONG position));

// A KOVAState formatted at `rateClass` with the defaults changed by `edit`.
KOVAState FormattedState(KOVARateClass rateClass, void (*edit)(KOVAParams&) = nullptr);

// The generator of the dither, one advance at a time, from its definition.
std::int32_t ReferenceDitherAdvance(std::int32_t s);
// The next `count` offsets the shared generator will draw, without drawing.
std::vector<float> UpcomingDither(std::size_t count);

// Fills a block's seven slots with a test signal: slot s, frame i.
void FillBlock(KOVABlock& block, LONG n, float (*sample)(ULONG slot, LONG frame));
