#include "engine_reference.h"

#include <kova_interface.h>
#include <vyohd_interface.h>

#include "sim/status.h"

namespace filtertest {

namespace {

class SavedFloatingPointState {
public:
    SavedFloatingPointState() : m_status(KeSaveFloatingPointState(&m_save)) {}
    ~SavedFloatingPointState()
    {
        if (NT_SUCCESS(m_status)) {
            KeRestoreFloatingPointState(&m_save);
        }
    }

private:
    KFLOATING_SAVE m_save{};
    NTSTATUS m_status;
};

}  // namespace

Bytes VyohdProcessed(const WAVEFORMATEX* format, Bytes data, unsigned seed)
{
    SavedFloatingPointState floatingPoint;
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
    SavedFloatingPointState floatingPoint;
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
