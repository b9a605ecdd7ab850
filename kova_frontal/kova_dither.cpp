#include "kova_dither.h"

#include "kova_params.h"
#include "channel_layout.h"

namespace {

// The most draws one block makes: every slot of every frame.
constexpr LONG kMaxDrawsPerBlock = static_cast<LONG>(kKOVASlotCount * kKOVABlockFrames);
// A reserved run never wraps: the offsets repeat past the period.
constexpr LONG kOffsetCount = kKOVADitherPeriod + 2 * kMaxDrawsPerBlock + 1;

// The generator's orbit from 1, laid out once at compile time so that a draw
// is a table step instead of two shifts and four taps per sample:
//   word[i]   the generator word after i advances (period 4095),
//   index[w]  the position of word w in that orbit,
//   offset[i] the dither offset of the word at position i.
struct KOVADitherOrbit {
    SHORT word[kKOVADitherPeriod];
    SHORT index[kKOVADitherPeriod + 1];
    float offset[kOffsetCount];
};

constexpr KOVADitherOrbit BuildOrbit()
{
    KOVADitherOrbit orbit{};
    LONG s = 1;
    for (LONG i = 0; i < kKOVADitherPeriod; ++i) {
        orbit.word[i] = static_cast<SHORT>(s);
        orbit.index[s] = static_cast<SHORT>(i);
        s = AdvanceKOVADither(s);
    }
    for (LONG i = 0; i < kOffsetCount; ++i) {
        orbit.offset[i] = kKOVADitherTable[orbit.word[i % kKOVADitherPeriod] & 3];
    }
    return orbit;
}

constexpr KOVADitherOrbit kOrbit = BuildOrbit();

constexpr bool VisitsEveryNonzeroWord()
{
    for (LONG w = 1; w <= kKOVADitherPeriod; ++w) {
        if (kOrbit.word[kOrbit.index[w]] != w) {
            return false;
        }
    }
    return AdvanceKOVADither(kOrbit.word[kKOVADitherPeriod - 1]) == 1;
}
static_assert(VisitsEveryNonzeroWord(), "the generator has period 4095");

// The shared generator word.
LONG g_KOVADitherWord = 1;

}  // namespace

KOVADitherRun::KOVADitherRun(ULONG draws) : m_Offsets(kOrbit.offset)
{
    if (draws > static_cast<ULONG>(kMaxDrawsPerBlock)) {
        draws = kMaxDrawsPerBlock;
    }
    LONG word = ReadNoFence(&g_KOVADitherWord);
    for (;;) {
        const LONG start = kOrbit.index[word];
        const LONG next = kOrbit.word[(start + 2 * static_cast<LONG>(draws)) % kKOVADitherPeriod];
        const LONG seen = InterlockedCompareExchange(&g_KOVADitherWord, next, word);
        if (seen == word) {
            m_Position = start;
            return;
        }
        word = seen;
    }
}

LONG KOVADitherWord()
{
    return ReadNoFence(&g_KOVADitherWord);
}
