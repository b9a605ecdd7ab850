// The silent-extra-channels test: a stream with more than two channels is
// processed only while every channel after the first two is silent at the
// start of the submitted data, since the engines work on the first two
// channels and would otherwise reshape a multichannel mix.
#pragma once

#include <wdm.h>

// Frames of the buffer that are examined.
constexpr ULONG kContentTestFrames = 12;

// Whether the first min(frames, 12) frames of the buffer have every sample
// after the first two channels within +-1.0e-5 of full scale, normalized
// as the engines normalize them (8-bit samples are exactly 128 then, 16-bit
// ones 0, 24-bit ones within +-83, 32-bit ones within +-21474). One or two
// channels always pass; no channels, or a sample width other than 8, 16,
// 24 or 32 bits, never do. Reads the buffer only: the caller guards the
// reading of a client's memory and has saved the floating-point state.
// Real-time code.
BOOLEAN ExtraChannelsAreSilent(const UCHAR* buffer, ULONG byteCount, USHORT channels, USHORT bitsPerSample);
