// What the command line knows about an effect engine: its name, its
// parameters, and how to open one stream on it for a given format. Each
// engine lives in its own file (engines/<name>_engine.cpp) and is listed once
// in the engine table (engines/engine_table.cpp).
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include <guiddef.h>
#include <ntstatus.h>

#include "audio/audio.h"

struct _IRP;  // the platform's I/O request packet (IRP, wdm.h)

namespace vastum {

enum class ParameterKind {
    Boolean,  // 0 or 1
    Integer,  // whole numbers from minimum to maximum
    Real,     // a single-precision number from minimum to maximum
};

// The range of a Real parameter that takes any single-precision value.
inline constexpr double kAnySingle = std::numeric_limits<float>::max();

// One value that --set may change. The range is what the engine's setter
// accepts, taken from the engine's own parameter header; the command line
// refuses anything outside it before the engine sees it, and the engine
// still has the last word when the value reaches it.
struct EngineParameter {
    std::string_view name;  // the engine's own name for it, e.g. "QELWidth"
    ParameterKind kind;
    double minimum;
    double maximum;
    double defaultValue;
    std::string_view description;
};

// A --set NAME=VALUE resolved against an engine's parameter list. Every
// Boolean and Integer value is whole, every Real value is a single-precision
// one, and every value is within range.
struct ParameterSetting {
    const EngineParameter* parameter;
    double value;
    std::string assignment;  // as typed, for messages
};

// One stream of an engine, processing interleaved PCM in place as the filter
// driver hands it buffers: successive calls continue the same signal. The
// caller saves the floating-point state around each call. Failures throw
// CommandError.
class StreamProcessor {
public:
    virtual ~StreamProcessor() = default;
    virtual void ProcessInPlace(std::span<std::uint8_t> frames) = 0;
};

class SettingsKey;

// A kernel engine's manager as a client and the filter driver reach it
// beyond its streams: the KS property dispatch and the registry settings.
// Both return the engine's own status; the caller has saved the
// floating-point state.
class EngineManager {
public:
    virtual ~EngineManager() = default;
    // The request is the caller's; the engine never completes it.
    virtual NTSTATUS HandlePropertyRequest(_IRP* irp) = 0;
    virtual NTSTATUS SaveSettings(const SettingsKey& key) = 0;
};

struct Engine {
    std::string_view name;
    std::string_view description;
    std::span<const EngineParameter> parameters;

    // Opens a stream for `format`: the engine first loads `saved` (null:
    // nothing saved) with its own LoadSettings, then takes the settings in
    // their order. `channelMask` is the format's own mask, or --mask, or 0x3
    // for stereo, or 0 when nothing names the speaker positions. Throws
    // CommandError when the engine refuses the format or a setting.
    std::unique_ptr<StreamProcessor> (*createProcessor)(const AudioFormat& format, std::uint32_t channelMask,
                                                         std::span<const ParameterSetting> settings,
                                                         const SettingsKey* saved);

    // A new manager that has loaded `saved` (null: nothing saved) and taken
    // the settings, as createProcessor prepares one; null for an engine
    // without a manager.
    std::unique_ptr<EngineManager> (*openManager)(std::span<const ParameterSetting> settings,
                                                  const SettingsKey* saved);
    // The KS property set the manager answers; null without a manager.
    const GUID* propertySet;
};

}  // namespace vastum
