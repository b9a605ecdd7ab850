#include "engine_reference.h"

#include <kova_interface.h>
#include <vyohd_interface.h>

#include "floating_point_guard.h"
#include "sim/status.h"

namespace filtertest {

Bytes VyohdProcessed(const WAVEFORMATEX* format, Bytes data, unsigned seed)
{
    FloatingPointGuard floatingPoint;
    VYOHDManager* manager = CreateVYOHDManager2();
    sim::SeedRandom(seed);
    VYOHDStream* stream = manager->CreateStream();
    if (format != nullptr) {
        stream->SetFormat(format);
    }
    stream->ProcessInPlace(data.data(), static_cast<ULONG>(data.size()));
    stream->Release();
    manager->Release();
    return data;
}

Bytes KovaProcessed(const WAVEFORMATEX* format, Bytes data)
{
    FloatingPointGuard floatingPoint;
    KOVAManager* manager = CreateKOVAManager();
    manager->SetInputGain(1.0f);
    manager->SetOutputGain(1.0f);
    KOVAStream* stream = manager->CreateStream();
    stream->SetFormat(format->nSamplesPerSec, format->wBitsPerSample, format->nChannels, 3);
    stream->ProcessInPlace(data.data(), static_cast<ULONG>(data.size()));
    stream->Release();
    manager->Release();
    return data;
}

}  // namespace filtertest
