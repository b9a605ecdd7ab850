// Drives VYO HD streams with random formats, buffer sizes, buffer contents
// and parameter changes, as a driver and a control panel would interleave
// them. Beyond the sanitizers' checks it enforces what the engine promises:
// bytes outside the stereo pair of whole frames never change, buffers
// without a stereo pair or of an unknown width pass unchanged, float output
// goes only to the first two floats of a frame, and releasing everything
// leaves no engine memory in the pool.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sim/pool.h"
#include "sim/status.h"
#include "vyohd_interface.h"

namespace {

struct StreamFormat {
    USHORT channels = 2;
    USHORT bits = 16;
};

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

USHORT PickBits(FuzzedDataProvider& in)
{
    static const USHORT kBits[] = {8, 16, 24, 32, 0, 12, 20, 64};
    return in.ConsumeBool() ? kBits[in.ConsumeIntegralInRange<int>(0, 7)] : in.ConsumeIntegral<USHORT>();
}

void SetFormat(FuzzedDataProvider& in, VYOHDStream* stream, StreamFormat& format)
{
    WAVEFORMATEX wave{};
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = in.ConsumeBool() ? in.ConsumeIntegralInRange<USHORT>(0, 8) : in.ConsumeIntegral<USHORT>();
    wave.nSamplesPerSec = in.ConsumeIntegral<ULONG>();
    wave.wBitsPerSample = PickBits(in);
    if (stream->SetFormat(&wave) == STATUS_SUCCESS) {
        format.channels = wave.nChannels;
        format.bits = wave.wBitsPerSample;
    }
}

void ProcessInPlace(FuzzedDataProvider& in, VYOHDStream* stream, const StreamFormat& format)
{
    const std::size_t size = in.ConsumeIntegralInRange<std::size_t>(0, 4096);
    std::vector<UCHAR> buffer = in.ConsumeBytes<UCHAR>(size);
    const std::vector<UCHAR> before = buffer;
    // A heap block of exactly the buffer's size (one byte for an empty one),
    // so the sanitizer sees any access past its end.
    UCHAR* block = static_cast<UCHAR*>(std::malloc(buffer.empty() ? 1 : buffer.size()));
    if (!buffer.empty()) {
        std::memcpy(block, buffer.data(), buffer.size());
    }
    stream->ProcessInPlace(block, static_cast<ULONG>(buffer.size()));
    if (!buffer.empty()) {
        std::memcpy(buffer.data(), block, buffer.size());
    }
    std::free(block);

    const bool known = format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32;
    if (!known || format.channels < 2) {
        Require(buffer == before);
        return;
    }
    const std::size_t sampleBytes = format.bits / 8;
    const std::size_t frameBytes = sampleBytes * format.channels;
    const std::size_t wholeBytes = buffer.size() / frameBytes * frameBytes;
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        const bool inPair = i < wholeBytes && i % frameBytes < 2 * sampleBytes;
        if (!inPair) {
            Require(buffer[i] == before[i]);
        }
    }
}

void ProcessFloat(FuzzedDataProvider& in, VYOHDStream* stream, const StreamFormat& format)
{
    const ULONG frames = in.ConsumeIntegralInRange<ULONG>(0, 300);
    const std::size_t count = static_cast<std::size_t>(frames) * format.channels;
    std::vector<float> input(count == 0 ? 1 : count);
    for (std::size_t i = 0; i < count; ++i) {
        input[i] = in.ConsumeBool() ? in.ConsumeFloatingPointInRange<float>(-40000.0f, 40000.0f)
                                    : in.ConsumeFloatingPoint<float>();
    }
    const float kUntouched = -12345.0f;
    std::vector<float> output(count + 1, kUntouched);
    stream->ProcessFloat(input.data(), frames, output.data(), in.ConsumeIntegral<ULONG>());

    const bool known = format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32;
    for (std::size_t i = 0; i < output.size(); ++i) {
        const bool inPair = known && format.channels >= 2 && i < count && i % format.channels < 2;
        if (!inPair) {
            Require(output[i] == kUntouched);
        }
    }
}

float PickLevel(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return in.ConsumeFloatingPointInRange<float>(0.0f, 4.0f);
    case 1:
        return in.ConsumeProbability<float>();
    default:
        return in.ConsumeFloatingPoint<float>();
    }
}

void ChangeParameter(FuzzedDataProvider& in, VYOHDManager* manager)
{
    switch (in.ConsumeIntegralInRange<int>(0, 13)) {
    case 0: manager->SetEnable(in.ConsumeIntegral<UCHAR>() % 3); break;
    case 1: manager->SetQELSize(in.ConsumeIntegralInRange<ULONG>(0, 2)); break;
    case 2: manager->SetELEVOLevel(PickLevel(in)); break;
    case 3: manager->SetNitidaLevel(PickLevel(in)); break;
    case 4: manager->SetSubviaLevel(PickLevel(in)); break;
    case 5: manager->SetSubviaSize(in.ConsumeIntegralInRange<ULONG>(0, 9)); break;
    case 6: manager->SetQELWidth(PickLevel(in)); break;
    case 7: manager->SetInputGain(PickLevel(in)); break;
    case 8: manager->SetOutputGain(PickLevel(in)); break;
    case 9: manager->SetLimiterEnable(in.ConsumeIntegral<UCHAR>() % 3); break;
    case 10: manager->SetLimiterLevel(PickLevel(in)); break;
    case 11: manager->SetCenterLevel(PickLevel(in)); break;
    case 12: manager->SetQELMode(in.ConsumeIntegralInRange<ULONG>(0, 4)); break;
    default: manager->SetBypassGain(PickLevel(in)); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    sim::SeedRandom(1);
    VYOHDManager* manager = CreateVYOHDManager3();
    Require(manager != nullptr);
    VYOHDStream* streams[2] = {manager->CreateStream(), nullptr};
    StreamFormat formats[2];
    Require(streams[0] != nullptr);

    while (in.remaining_bytes() > 0) {
        const int which = in.ConsumeIntegralInRange<int>(0, 1);
        VYOHDStream* stream = streams[which];
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
            if (stream != nullptr) SetFormat(in, stream, formats[which]);
            break;
        case 1:
        case 2:
            if (stream != nullptr) ProcessInPlace(in, stream, formats[which]);
            break;
        case 3:
            if (stream != nullptr) ProcessFloat(in, stream, formats[which]);
            break;
        case 4:
            ChangeParameter(in, manager);
            break;
        default:
            if (stream != nullptr) {
                stream->Release();
                streams[which] = nullptr;
            } else {
                streams[which] = manager->CreateStream();
                formats[which] = StreamFormat{};
            }
            break;
        }
    }

    for (VYOHDStream* stream : streams) {
        if (stream != nullptr) {
            stream->Release();
        }
    }
    manager->Release();
    for (const char* tag : {"VYOm", "VYOp", "VYOC", "VYOS"}) {
        Require(sim::pool::Usage(tag).liveBlocks == 0);
    }
    return 0;
}
