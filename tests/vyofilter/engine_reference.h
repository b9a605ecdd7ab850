// What the engines themselves make of a buffer: a fresh manager and stream
// of the engine's library, formatted as the filter formats its stream
// processors, processing the buffer in place. The filter's output must be
// the same bytes.
#pragma once

#include <wdm.h>
#include <mmreg.h>

#include <cstdint>
#include <vector>

namespace filtertest {

using Bytes = std::vector<std::uint8_t>;

// The VYO HD engine's dither is seeded from rand() when a stream is made;
// `seed` is what sim::SeedRandom was given before the filter made its
// stream. A null format leaves the stream with its initial format.
Bytes VyohdProcessed(const WAVEFORMATEX* format, Bytes data, unsigned seed);
// The KOVA engine with unity gains, fed the front pair (channel mask 3).
Bytes KovaProcessed(const WAVEFORMATEX* format, Bytes data);

}  // namespace filtertest
