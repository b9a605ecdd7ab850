#include "kova_test_support.h"

#include "kova_dither.h"

ManagerWithStreams::~ManagerWithStreams()
{
    for (KOVAStreamObject* stream : streams) {
        stream->Release();
    }
    if (manager != nullptr) {
        manager->Release();
    }
}

KOVAStreamObject* ManagerWithStreams::AddStream()
{
    auto* stream = static_cast<KOVAStreamObject*>(manager->CreateStream());
    if (stream != nullptr) {
        streams.push_back(stream);
    }
    return stream;
}

KOVAStreamObject* ManagerWithStreams::AddFormattedStream(ULONG rate, USHORT bits, USHORT channels, ULONG mask)
{
    KOVAStreamObject* stream = AddStream();
    if (stream != nullptr && stream->SetFormat(rate, bits, channels, mask) != STATUS_SUCCESS) {
        return nullptr;
    }
    return stream;
}

std::vector<std::int16_t> Interleaved16(ULONG frames, ULONG channels, std::int16_t (*sample)(ULONG, ULONG))
{
    std::vector<std::int16_t> buffer(frames * channels);
    for (ULONG i = 0; i < frames; ++i) {
        for (ULONG p = 0; p < channels; ++p) {
            buffer[i * channels + p] = sample(i, p);
        }
    }
    return buffer;
}

KOVAState FormattedState(KOVARateClass rateClass, void (*edit)(KOVAParams&))
{
    KOVAParams params{};
    LoadKOVADefaults(&params);
    if (edit != nullptr) {
        edit(params);
    }
    KOVAState state{};
    state.Initialize(rateClass, params);
    return state;
}

std::int32_t ReferenceDitherAdvance(std::int32_t s)
{
    const std::int32_t bit0 = s & 1;
    const std::int32_t bit6 = (s >> 6) & 1;
    const std::int32_t bit8 = (s >> 8) & 1;
    const std::int32_t bit11 = (s >> 11) & 1;
    return (s >> 1) | ((bit0 ^ bit6 ^ bit8 ^ bit11) << 11);
}

std::vector<float> UpcomingDither(std::size_t count)
{
    static const float table[4] = {0.0f, 1.0e-10f, 0.0f, -1.0e-10f};
    std::vector<float> offsets;
    std::int32_t s = KOVADitherWord();
    for (std::size_t k = 0; k < count; ++k) {
        s = ReferenceDitherAdvance(ReferenceDitherAdvance(s));
        offsets.push_back(table[s & 3]);
    }
    return offsets;
}

void FillBlock(KOVABlock& block, LONG n, float (*sample)(ULONG, LONG))
{
    for (ULONG s = 0; s < kKOVASlotCount; ++s) {
        for (LONG i = 0; i < n; ++i) {
            block.slot[s][i] = sample(s, i);
        }
    }
}
