// Installing the virtual sound card in a simulated machine, for tests and
// tools: the device's Enum entry (service "vcard", its upper filters) and
// its hardware key settings, in one call.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <ntstatus.h>

namespace vcard {

inline constexpr wchar_t kCardService[] = L"vcard";
inline constexpr wchar_t kCardInstance[] = L"ROOT\\MEDIA\\0000";

// What the card refuses, so the layers above can be tested on their error
// paths. Zero (false) refuses nothing.
struct CardRefusals {
    std::uint32_t sampleRate = 0;      // a format with this rate
    std::uint32_t bitsPerSample = 0;   // ... this sample size
    std::uint32_t channels = 0;        // ... this channel count
    std::uint32_t states = 0;          // bit n: a change to KSSTATE n
    std::int32_t speakerGeometry = 0;  // a speaker geometry set to this value
    bool positionQuery = false;        // every KSPROPERTY_AUDIO_POSITION get
    bool formatQuery = false;          // every KSPROPERTY_CONNECTION_DATAFORMAT get
};

struct CardSetup {
    std::wstring instanceId = kCardInstance;
    std::wstring description = L"Vastum Virtual Sound Card";
    std::vector<std::wstring> upperFilters;
    std::filesystem::path sinkFolder;  // where pins record what they play; empty: nowhere
    CardRefusals refusals;
};

// Installs the card (started at once when the machine runs, else at its
// next boot).
NTSTATUS InstallCard(const CardSetup& setup);

// Writes the settings of an installed card; each filter or pin opened
// afterwards takes them.
NTSTATUS ConfigureCard(const std::wstring& instanceId, const std::filesystem::path& sinkFolder,
                       const CardRefusals& refusals);

}  // namespace vcard
