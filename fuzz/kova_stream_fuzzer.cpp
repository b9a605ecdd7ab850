// Drives a KOVA manager and its streams with whatever the fuzzer makes of
// the input: formats (supported or not, any mask, any rate), parameter
// changes through every setter (valid or not), buffers of any length and
// content for ProcessInPlace and ProcessFloat, resets and stream
// creation and release. The sanitizers watch memory and undefined
// behaviour; at the end every pool block must have been returned.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "kova_interface.h"
#include "kova_manager.h"
#include "sim/pool.h"

namespace {

constexpr ULONG kMasks[] = {0x3, 0x33, 0x3F, 0x60F, 0x13F, 0x7, 0x0, 0xFFFFFFFF};
constexpr USHORT kBits[] = {8, 16, 24, 32, 20, 0};
constexpr ULONG kRates[] = {8000, 32000, 38527, 38528, 44100, 46091, 48000, 71004, 92183, 192000, 0};

template <typename T, std::size_t N>
T Pick(FuzzedDataProvider& in, const T (&values)[N])
{
    return values[in.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

float AnyFloat(FuzzedDataProvider& in)
{
    if (in.ConsumeBool()) {
        return in.ConsumeFloatingPointInRange<float>(-0.5f, 4.5f);
    }
    return in.ConsumeFloatingPoint<float>();  // NaN, infinities, huge values
}

void ChangeParameter(FuzzedDataProvider& in, KOVAManagerObject& m)
{
    switch (in.ConsumeIntegralInRange<int>(0, 18)) {
    case 0: m.SetEnable(in.ConsumeIntegral<ULONG>()); break;
    case 1: m.SetHeadphone(in.ConsumeIntegral<ULONG>()); break;
    case 2: m.SetKVHDMode(in.ConsumeIntegralInRange<LONG>(-2, 13)); break;
    case 3: m.SetOutputMode(in.ConsumeIntegralInRange<LONG>(-2, 9)); break;
    case 4: m.SetElevoEnable(in.ConsumeIntegral<ULONG>()); break;
    case 5: m.SetElevoLevel(AnyFloat(in)); break;
    case 6: m.SetSubviaEnable(in.ConsumeIntegral<ULONG>()); break;
    case 7: m.SetSubviaLevel(AnyFloat(in)); break;
    case 8: m.SetSubviaSize(in.ConsumeIntegralInRange<ULONG>(0, 9)); break;
    case 9: m.SetSubviaSubEnable(in.ConsumeIntegral<ULONG>()); break;
    case 10: m.SetSubviaSubLevel(AnyFloat(in)); break;
    case 11: m.SetSubviaSubSize(in.ConsumeIntegralInRange<ULONG>(0, 9)); break;
    case 12: m.SetInputGain(AnyFloat(in)); break;
    case 13: m.SetOutputGain(AnyFloat(in)); break;
    case 14: m.SetSpeakerGroupGain(in.ConsumeIntegralInRange<ULONG>(0, 5), AnyFloat(in)); break;
    case 15: m.SetCrossoverSelect(in.ConsumeIntegralInRange<ULONG>(0, 5)); break;
    case 16: m.SetFrontPresence(AnyFloat(in)); break;
    case 17: m.SetCenterPresence(AnyFloat(in)); break;
    default: {
        float gain;
        m.GetSpeakerGroupGain(in.ConsumeIntegralInRange<ULONG>(0, 5), &gain);
        break;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::size_t liveBefore = sim::pool::LiveBlocks();
    KOVAManagerObject* manager = KOVAManagerObject::Create();
    std::vector<KOVAStream*> streams;

    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        KOVAStream* stream = streams.empty() ? nullptr : streams[in.ConsumeIntegralInRange<std::size_t>(0, streams.size() - 1)];
        switch (in.ConsumeIntegralInRange<int>(0, 6)) {
        case 0:
            if (streams.size() < 4) {
                streams.push_back(manager->CreateStream());
            }
            break;
        case 1:
            if (stream != nullptr) {
                const USHORT channels = in.ConsumeIntegralInRange<USHORT>(0, 9);
                stream->SetFormat(in.ConsumeBool() ? Pick(in, kRates) : in.ConsumeIntegral<ULONG>(), Pick(in, kBits),
                                  channels, in.ConsumeBool() ? Pick(in, kMasks) : in.ConsumeIntegral<ULONG>());
            }
            break;
        case 2:
            ChangeParameter(in, *manager);
            break;
        case 3:
            if (stream != nullptr) {
                // A buffer of exactly the byte count handed over, so the
                // sanitizer sees any access past it.
                std::vector<std::uint8_t> pcm = in.ConsumeBytes<std::uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, 4096));
                stream->ProcessInPlace(pcm.empty() ? nullptr : pcm.data(), static_cast<ULONG>(pcm.size()));
            }
            break;
        case 4:
            if (stream != nullptr) {
                const ULONG frames = in.ConsumeIntegralInRange<ULONG>(0, 100);
                std::vector<float> input(frames * 8), output(frames * 8);
                for (float& x : input) {
                    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
                    case 0: x = in.ConsumeFloatingPointInRange<float>(-70000.0f, 70000.0f); break;
                    case 1: x = in.ConsumeFloatingPoint<float>(); break;  // NaN and infinities too
                    default: x = 0.0f; break;
                    }
                }
                stream->ProcessFloat(input.data(), frames, output.data(), 0);
            }
            break;
        case 5:
            if (stream != nullptr) {
                stream->ResetState();
            }
            break;
        default:
            if (stream != nullptr) {
                for (auto it = streams.begin(); it != streams.end(); ++it) {
                    if (*it == stream) {
                        streams.erase(it);
                        break;
                    }
                }
                stream->Release();
            }
            break;
        }
    }

    for (KOVAStream* stream : streams) {
        if (stream != nullptr) {
            stream->Release();
        }
    }
    manager->Release();
    if (sim::pool::LiveBlocks() != liveBefore) {
        std::abort();  // a pool block was not returned
    }
    return 0;
}
