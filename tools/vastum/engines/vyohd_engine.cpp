// The engine "vyohd": the VYO HD stereo enhancer, used as the filter driver
// uses it. The manager comes from the shared library vyohd_kern_i386
// (CreateVYOHDManager2, the export the driver imports) and takes its saved
// settings (a settings key, through the engine's LoadSettings), then the
// user's settings through its setters; one stream is created and formatted,
// and every buffer goes to its ProcessInPlace. Ranges and defaults are the
// engine's own (vyohd_parameters.h).
#include <vyohd_interface.h>
#include <vyohd_parameters.h>
#include <vyohd_properties.h>

#include "command_error.h"
#include "engines/engine.h"
#include "engines/kernel_engine_manager.h"
#include "engines/kernel_engine_stream.h"
#include "engines/manager_parameter.h"
#include "engines/saved_floating_point_state.h"
#include "machine/client_wave_format.h"
#include "sim/status.h"

namespace vastum {

namespace {

constexpr std::string_view kName = "vyohd";

using Kind = ParameterKind;
using M = VYOHDManager;

// Every VYO HD range starts at 0: the switches and the unsigned selectors
// by their type, the levels and gains by the setters' test (IsWithinZeroTo).
constexpr ManagerParameter<M> kRows[] = {
    Through<&M::SetEnable, &M::GetEnable>({"Enable", Kind::Boolean, 0, 1, kVYOHDDefaultEnable,
        "1 runs the effect chain; 0 bypasses it, scaled by BypassGain"}),
    Through<&M::SetQELMode, &M::GetQELMode>({"QELMode", Kind::Integer, 0, kVYOHDQELModeMaximum,
        kVYOHDDefaultQELMode, "3D path: 0 phase network, 1 mono output, 2 stereo, 3 matrix"}),
    Through<&M::SetQELSize, &M::GetQELSize>({"QELSize", Kind::Boolean, 0, 1, kVYOHDDefaultQELSize,
        "1 (headphones) takes the stereo path in modes 1 to 3"}),
    Through<&M::SetQELWidth, &M::GetQELWidth>({"QELWidth", Kind::Real, 0, kVYOHDLevelMaximum,
        kVYOHDDefaultQELWidth, "3D width"}),
    Through<&M::SetCenterLevel, &M::GetCenterLevel>({"CenterLevel", Kind::Real, 0, kVYOHDLevelMaximum,
        kVYOHDDefaultCenterLevel, "level of the centre (mid) signal on the 3D stereo path"}),
    Through<&M::SetSubviaLevel, &M::GetSubviaLevel>({"SubviaLevel", Kind::Real, 0, kVYOHDLevelMaximum,
        kVYOHDDefaultSubviaLevel, "Subvia bass level"}),
    Through<&M::SetSubviaSize, &M::GetSubviaSize>({"SubviaSize", Kind::Integer, 0, kVYOHDSubviaSizeMaximum,
        kVYOHDDefaultSubviaSize, "speaker size: Subvia cut-off 40, 60, 100, 150, 200, 250, 300, 400 Hz"}),
    Through<&M::SetELEVOLevel, &M::GetELEVOLevel>({"ELEVOLevel", Kind::Real, 0, kVYOHDLevelMaximum,
        kVYOHDDefaultELEVOLevel, "Elevo elevation level"}),
    Through<&M::SetNitidaLevel, &M::GetNitidaLevel>({"NitidaLevel", Kind::Real, 0, kVYOHDNitidaLevelMaximum,
        kVYOHDDefaultNitidaLevel, "Nitida detail level"}),
    Through<&M::SetInputGain, &M::GetInputGain>({"InputGain", Kind::Real, 0, kVYOHDGainMaximum,
        kVYOHDDefaultInputGain, "linear gain before the effect chain"}),
    Through<&M::SetOutputGain, &M::GetOutputGain>({"OutputGain", Kind::Real, 0, kVYOHDGainMaximum,
        kVYOHDDefaultOutputGain, "linear gain after the effect chain"}),
    Through<&M::SetLimiterEnable, &M::GetLimiterEnable>({"LimiterEnable", Kind::Boolean, 0, 1,
        kVYOHDDefaultLimiterEnable, "1 runs the output limiter"}),
    Through<&M::SetLimiterLevel, &M::GetLimiterLevel>({"LimiterLevel", Kind::Real, 0, kVYOHDLevelMaximum,
        kVYOHDDefaultLimiterLevel, "deepest limiting: the gain stays above 1 - 0.75 x level"}),
    Through<&M::SetBypassGain, &M::GetBypassGain>({"BypassGain", Kind::Real, 0, kVYOHDGainMaximum,
        kVYOHDDefaultBypassGain, "linear gain while Enable is 0"}),
};

constexpr auto kShown = ShownParameters(kRows);

// A manager as the filter driver prepares one: created through the export
// the driver imports, its saved settings loaded, then the user's settings.
// The caller has saved the floating-point state.
Released<VYOHDManager> OpenVyohdManager(std::span<const ParameterSetting> settings, const SettingsKey* saved)
{
    Released<VYOHDManager> manager(CreateVYOHDManager2());
    if (!manager) {
        throw CommandError("engine vyohd: CreateVYOHDManager2 made no manager");
    }
    LoadSavedSettings(*manager, saved, kName);
    ApplySettings(*manager, kRows, kShown, settings, kName);
    return manager;
}

// Parameter changes, stream creation and SetFormat do float work; the
// state is saved around them as the driver's request threads save it.
std::unique_ptr<StreamProcessor> OpenVyohdStream(const AudioFormat& format, std::uint32_t,
                                                 std::span<const ParameterSetting> settings, const SettingsKey* saved)
{
    SavedFloatingPointState floatingPoint;
    return OpenKernelEngineStream(OpenVyohdManager(settings, saved), kName, [&format](VYOHDStream& stream) {
        // The format a client sets on the card's pin, which the filter hands
        // on; the engine reads its rate, sample width and channel count.
        const WAVEFORMATEXTENSIBLE wave = ClientWaveFormat(format);
        const NTSTATUS status = stream.SetFormat(&wave.Format);
        if (!NT_SUCCESS(status)) {
            throw CommandError("engine vyohd refused " + DescribeFormat(format) + " (" + sim::StatusName(status) +
                               ")");
        }
    });
}

}  // namespace

extern const Engine kVyohdEngine;  // listed in the engine table
constinit const Engine kVyohdEngine = {
    .name = kName,
    .description = "VYO HD stereo enhancer, on the first two channels (mono passes unchanged)",
    .parameters = kShown,
    .createProcessor = OpenVyohdStream,
    .openManager = OpenKernelEngineManager<VYOHDManager, OpenVyohdManager>,
    .propertySet = &KSPROPSETID_VYOHD,
};

}  // namespace vastum
