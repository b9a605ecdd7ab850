// The engine "kova": the KOVA surround virtualizer, used as the filter
// driver uses it. The manager comes from the shared library kova_kern_i386
// (CreateKOVAManager, the export the driver imports), gets input and output
// gain 1.0 as the driver gives it, then its saved settings (a settings key,
// through the engine's LoadSettings) and the user's settings (through its
// setters and, for the presence levels, its property set); one stream is
// created and formatted with the input's channel mask, and every buffer goes
// to its ProcessInPlace. Ranges, defaults and the formats
// the engine takes are its own (kova_parameters.h).
#include <kova_interface.h>
#include <kova_parameters.h>
#include <kova_properties.h>

#include <cmath>
#include <string>

#include "command_error.h"
#include "engines/engine.h"
#include "engines/kernel_engine_manager.h"
#include "engines/kernel_engine_stream.h"
#include "engines/manager_parameter.h"
#include "engines/property_request.h"
#include "engines/saved_floating_point_state.h"
#include "sim/status.h"

namespace vastum {

namespace {

constexpr std::string_view kName = "kova";

using Kind = ParameterKind;
using M = KOVAManager;

template <KOVASpeakerGroup Group>
NTSTATUS SetGroupGain(M& manager, double gain)
{
    return manager.SetSpeakerGroupGain(Group, static_cast<float>(gain));
}

template <KOVASpeakerGroup Group>
double GetGroupGain(M& manager)
{
    float gain = 0.0f;
    const NTSTATUS status = manager.GetSpeakerGroupGain(Group, &gain);
    return NT_SUCCESS(status) ? gain : std::numeric_limits<double>::quiet_NaN();
}

template <KOVASpeakerGroup Group>
constexpr ManagerParameter<M> GroupGain(std::string_view name, std::string_view description)
{
    return {{name, Kind::Real, -kAnySingle, kAnySingle, kKOVADefaultSpeakerGroupGain, description},
            SetGroupGain<Group>, GetGroupGain<Group>};
}

// The presence levels have no manager operation: they are set and read as
// the control panel does, through the engine's property set, whose values
// are quarter-percent (level x 25). A level between two steps of 0.04 is
// refused rather than rounded.
template <KSPROPERTY_KOVA Id>
NTSTATUS SetPresence(M& manager, double level)
{
    const double quarterPercent = std::round(level * 25.0);
    if (std::fabs(level * 25.0 - quarterPercent) > 1e-4) {
        return STATUS_INVALID_PARAMETER;
    }
    return SendPropertyRequest([&manager](PIRP irp) { return manager.HandlePropertyRequest(irp); },
                               KSPROPSETID_KOVA, Id, KSPROPERTY_TYPE_SET, std::nullopt,
                               static_cast<std::int32_t>(quarterPercent))
        .status;
}

// The level the engine holds, as the single-precision value it stored.
template <KSPROPERTY_KOVA Id>
double GetPresence(M& manager)
{
    const PropertyAnswer answer =
        SendPropertyRequest([&manager](PIRP irp) { return manager.HandlePropertyRequest(irp); }, KSPROPSETID_KOVA,
                            Id, KSPROPERTY_TYPE_GET, std::nullopt, 0);
    return NT_SUCCESS(answer.status) ? static_cast<float>(answer.value / 25.0)
                                     : std::numeric_limits<double>::quiet_NaN();
}

template <KSPROPERTY_KOVA Id>
constexpr ManagerParameter<M> Presence(std::string_view name, double defaultLevel, std::string_view description)
{
    return {{name, Kind::Real, 0, kKOVAPresenceMaximum, defaultLevel, description}, SetPresence<Id>,
            GetPresence<Id>};
}

// Every range but the speaker-group gains' starts at 0: the switches and
// selectors by the setters' tests, the levels and gains by the
// IsKOVA... tests.
constexpr ManagerParameter<M> kRows[] = {
    Through<&M::SetEnable, &M::GetEnable>({"Enable", Kind::Boolean, 0, 1, kKOVADefaultEnable,
        "1 renders virtual surround; 0 downmixes without effects"}),
    Through<&M::SetHeadphone, &M::GetHeadphone>({"Headphone", Kind::Boolean, 0, 1, kKOVADefaultHeadphone,
        "1 renders for headphones, 0 for speakers"}),
    Through<&M::SetKVHDMode, &M::GetKVHDMode>({"KVHDMode", Kind::Integer, 0, kKOVAModeMaximum, kKOVADefaultMode,
        "source layout: 1 stereo, 3 quad, 6 5.1, 7 6.1, 8 stereo, surround from L - R"}),
    Through<&M::SetOutputMode, &M::GetOutputMode>({"OutputMode", Kind::Integer, 0, kKOVAOutputModeMaximum,
        kKOVADefaultOutputMode, "outputs besides L and R: +1 subwoofer, +2 centre, +4 surrounds"}),
    Through<&M::SetElevoEnable, &M::GetElevoEnable>({"ElevoEnable", Kind::Boolean, 0, 1, kKOVADefaultElevoEnable,
        "1 runs Elevo on the centre path"}),
    Through<&M::SetElevoLevel, &M::GetElevoLevel>({"ElevoLevel", Kind::Real, 0, kKOVALevelMaximum,
        kKOVADefaultElevoLevel, "Elevo elevation level"}),
    Through<&M::SetSubviaEnable, &M::GetSubviaEnable>({"SubviaEnable", Kind::Boolean, 0, 1,
        kKOVADefaultSubviaEnable, "1 runs Subvia bass on L and R"}),
    Through<&M::SetSubviaLevel, &M::GetSubviaLevel>({"SubviaLevel", Kind::Real, 0, kKOVALevelMaximum,
        kKOVADefaultSubviaLevel, "Subvia bass level on L and R"}),
    Through<&M::SetSubviaSize, &M::GetSubviaSize>({"SubviaSize", Kind::Integer, 0, kKOVASubviaSizeMaximum,
        kKOVADefaultSubviaSize, "speaker size: cut-off 40, 60, 100, 150, 200, 250, 300, 400 Hz"}),
    Through<&M::SetSubviaSubEnable, &M::GetSubviaSubEnable>({"SubviaSubEnable", Kind::Boolean, 0, 1,
        kKOVADefaultSubviaSubEnable, "1 runs Subvia on the subwoofer output"}),
    Through<&M::SetSubviaSubLevel, &M::GetSubviaSubLevel>({"SubviaSubLevel", Kind::Real, 0, kKOVALevelMaximum,
        kKOVADefaultSubviaSubLevel, "Subvia bass level on the subwoofer output"}),
    Through<&M::SetSubviaSubSize, &M::GetSubviaSubSize>({"SubviaSubSize", Kind::Integer, 0,
        kKOVASubviaSizeMaximum, kKOVADefaultSubviaSubSize, "subwoofer size, as SubviaSize"}),
    Through<&M::SetInputGain, &M::GetInputGain>({"InputGain", Kind::Real, 0, kKOVAGainMaximum,
        kKOVADefaultInputGain, "linear gain on the input"}),
    Through<&M::SetOutputGain, &M::GetOutputGain>({"OutputGain", Kind::Real, 0, kKOVAGainMaximum,
        kKOVADefaultOutputGain, "linear gain on the output while Enable is 1"}),
    GroupGain<KOVAGroupFront>("FrontGain", "linear gain on L and R"),
    GroupGain<KOVAGroupSurround>("SurroundGain", "linear gain on the surround outputs"),
    GroupGain<KOVAGroupCenter>("CenterGain", "linear gain on the centre output"),
    GroupGain<KOVAGroupSubwoofer>("SubwooferGain", "linear gain on the subwoofer output"),
    Presence<KSPROPERTY_KOVA_FRONTPRESENCE>("FrontPresence", kKOVADefaultFrontPresence,
                                            "presence boost on L and R, in steps of 0.04"),
    Presence<KSPROPERTY_KOVA_CENTERPRESENCE>("CenterPresence", kKOVADefaultCenterPresence,
                                             "presence boost on the centre output, in steps of 0.04"),
    Through<&M::SetCrossoverSelect, &M::GetCrossoverSelect>({"CrossoverSelect", Kind::Integer, 0,
        kKOVACrossoverSelectMaximum, kKOVADefaultCrossoverSelect, "subwoofer crossover: 80, 120, 160, 200 Hz"}),
};

constexpr auto kShown = ShownParameters(kRows);

// "a, b, c or d"
template <typename T, std::size_t Count>
std::string Choices(const T (&values)[Count], std::string (*format)(std::uint32_t))
{
    std::string text;
    for (std::size_t i = 0; i < Count; ++i) {
        text += (i == 0 ? "" : i + 1 == Count ? " or " : ", ") + format(values[i]);
    }
    return text;
}

std::string Decimal(std::uint32_t value)
{
    return std::to_string(value);
}

// The stream's format with the mask it was given: the input's own (which
// DescribeFormat shows), or the one the command line chose for it.
std::string DescribeStreamFormat(const AudioFormat& format, std::uint32_t channelMask)
{
    if (format.channelMask) {
        return DescribeFormat(format);
    }
    return DescribeFormat(format) + ", channel mask " +
           (channelMask == 0 ? std::string("none") : DescribeChannelMask(channelMask));
}

std::string DescribeRefusedFormat(const AudioFormat& format, std::uint32_t channelMask, NTSTATUS status)
{
    return "engine kova refused " + DescribeStreamFormat(format, channelMask) + " (" + sim::StatusName(status) +
        "); it takes " + Choices(kKOVAChannelCounts, Decimal) + " channels, channel mask " +
        Choices(kKOVAChannelMasks, DescribeChannelMask) +
        " naming no more speakers than channels (--mask for input without one), " +
        Choices(kKOVABitsPerSample, Decimal) + " bits per sample";
}

// A manager as the filter driver prepares one: created through the export
// the driver imports, input and output gain 1.0, its saved settings loaded,
// then the user's settings. The caller has saved the floating-point state.
Released<KOVAManager> OpenKovaManager(std::span<const ParameterSetting> settings, const SettingsKey* saved)
{
    Released<KOVAManager> manager(CreateKOVAManager());
    if (!manager) {
        throw CommandError("engine kova: CreateKOVAManager made no manager");
    }
    manager->SetInputGain(1.0f);
    manager->SetOutputGain(1.0f);
    LoadSavedSettings(*manager, saved, kName);
    ApplySettings(*manager, kRows, kShown, settings, kName);
    return manager;
}

// Parameter changes and SetFormat do float work; the state is saved around
// them as the driver's request threads save it.
std::unique_ptr<StreamProcessor> OpenKovaStream(const AudioFormat& format, std::uint32_t channelMask,
                                                std::span<const ParameterSetting> settings, const SettingsKey* saved)
{
    SavedFloatingPointState floatingPoint;
    return OpenKernelEngineStream(OpenKovaManager(settings, saved), kName, [&](KOVAStream& stream) {
        const NTSTATUS status =
            stream.SetFormat(format.sampleRate, format.bitsPerSample, format.channels, channelMask);
        if (!NT_SUCCESS(status)) {
            throw CommandError(DescribeRefusedFormat(format, channelMask, status));
        }
    });
}

}  // namespace

extern const Engine kKovaEngine;  // listed in the engine table
constinit const Engine kKovaEngine = {
    .name = kName,
    .description = "KOVA surround virtualizer: up to seven channels on two speakers or headphones",
    .parameters = kShown,
    .createProcessor = OpenKovaStream,
    .openManager = OpenKernelEngineManager<KOVAManager, OpenKovaManager>,
    .propertySet = &KSPROPSETID_KOVA,
};

}  // namespace vastum
