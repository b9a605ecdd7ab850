// The engines "vyohd" and "kova" as the command line opens them: through
// the shared libraries and their managers' setters. What --set accepts must
// be exactly what the engine takes, and every object the engine made must
// be released, whatever goes wrong.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "command_error.h"
#include "engines/engine_parameters.h"
#include "engines/engine_table.h"
#include "engines/saved_floating_point_state.h"
#include "sim/pool.h"

namespace {

using vastum::AudioFormat;
using vastum::CommandError;
using vastum::Engine;
using vastum::EngineParameter;
using vastum::ParameterKind;
using vastum::ParameterSetting;
using vastum::UsageError;

const AudioFormat kStereo{48000, 16, 2, std::nullopt};

const Engine& EngineNamed(std::string_view name)
{
    const Engine* engine = vastum::FindEngine(name);
    EXPECT_NE(engine, nullptr) << name;
    return *engine;
}

std::string Text(double value, ParameterKind kind)
{
    char text[32];
    const auto end = kind == ParameterKind::Real ? std::to_chars(text, text + sizeof text, static_cast<float>(value)).ptr
                                                 : std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// NAME=VALUE as it reaches the engine when the command line does not check
// its range first (a Real value is still the float the engine receives).
ParameterSetting Unchecked(const Engine& engine, std::string_view name, double value)
{
    for (const EngineParameter& parameter : engine.parameters) {
        if (parameter.name == name) {
            if (parameter.kind == ParameterKind::Real) {
                value = static_cast<float>(value);
            }
            return {&parameter, value, std::string(name) + "=" + Text(value, parameter.kind)};
        }
    }
    ADD_FAILURE() << engine.name << " has no parameter " << name;
    return {};
}

// The bounds, the values either side of them (where a single-precision
// number lies there) and the default, as a user would type them.
std::vector<std::string> ValuesAroundTheRange(const EngineParameter& parameter)
{
    std::vector<double> values;
    switch (parameter.kind) {
    case ParameterKind::Boolean:
        values = {-1, 0, 1, 2, 256};
        break;
    case ParameterKind::Integer:
        values = {parameter.minimum - 1, parameter.minimum, parameter.maximum, parameter.maximum + 1};
        break;
    case ParameterKind::Real: {
        const float low = static_cast<float>(parameter.minimum);
        const float high = static_cast<float>(parameter.maximum);
        const float infinity = std::numeric_limits<float>::infinity();
        values = {low, high};
        if (parameter.minimum != -vastum::kAnySingle) {
            values.push_back(std::nextafter(low, -infinity));
        }
        if (parameter.maximum != vastum::kAnySingle) {
            values.push_back(std::nextafter(high, infinity));
        }
        break;
    }
    }
    values.push_back(parameter.defaultValue);
    std::vector<std::string> texts;
    for (double value : values) {
        texts.push_back(Text(value, parameter.kind));
    }
    return texts;
}

// Whether the engine takes the value, asked directly.
bool EngineTakes(const Engine& engine, const EngineParameter& parameter, const std::string& text)
{
    const ParameterSetting setting = Unchecked(engine, parameter.name, std::stod(text));
    try {
        engine.createProcessor(kStereo, 0x3, {&setting, 1}, nullptr);
        return true;
    } catch (const UsageError&) {
        return false;
    }
}

TEST(KernelEngines, set_accepts_exactly_what_each_engines_setter_takes)
{
    for (const char* name : {"vyohd", "kova"}) {
        const Engine& engine = EngineNamed(name);
        for (const EngineParameter& parameter : engine.parameters) {
            if (parameter.name == "FrontPresence" || parameter.name == "CenterPresence") {
                continue;  // the property set takes them in steps of 0.04 (below)
            }
            for (const std::string& text : ValuesAroundTheRange(parameter)) {
                const std::string assignment = std::string(parameter.name) + "=" + text;
                SCOPED_TRACE(std::string(name) + " --set " + assignment);
                bool toolTakes = true;
                try {
                    vastum::ParseParameterSettings(engine, std::vector<std::string>{assignment});
                } catch (const UsageError& error) {
                    toolTakes = false;
                    EXPECT_NE(std::string(error.what()).find(vastum::DescribeRange(parameter)), std::string::npos)
                        << "the refusal names the range: " << error.what();
                }
                EXPECT_EQ(toolTakes, EngineTakes(engine, parameter, text));
            }
        }
    }
}

TEST(KernelEngines, a_refusing_engine_is_named_with_the_parameter_and_its_range)
{
    // QELSize 2 is "success, nothing changed" to the VYO HD manager, and a
    // KOVA switch keeps only the low byte: the command line reads the value
    // back, so neither passes silently.
    struct RefusalCase {
        const char* engine;
        const char* name;
        double value;
        const char* message;
    };
    const RefusalCase cases[] = {
        {"vyohd", "QELSize", 2, "--set QELSize=2: engine vyohd did not take QELSize; QELSize must be 0 or 1"},
        {"vyohd", "QELMode", 4,
         "--set QELMode=4: engine vyohd refused QELMode (STATUS_INVALID_PARAMETER); QELMode must be 0..3"},
        {"kova", "Enable", 256, "--set Enable=256: engine kova did not take Enable; Enable must be 0 or 1"},
        {"kova", "ElevoLevel", 1.5,
         "--set ElevoLevel=1.5: engine kova refused ElevoLevel (STATUS_INVALID_PARAMETER); ElevoLevel must be 0..1"},
    };
    for (const RefusalCase& c : cases) {
        const Engine& engine = EngineNamed(c.engine);
        const ParameterSetting setting = Unchecked(engine, c.name, c.value);
        try {
            engine.createProcessor(kStereo, 0x3, {&setting, 1}, nullptr);
            ADD_FAILURE() << c.message;
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

// The presence levels have no manager operation: the command line sets them
// through the KOVA property set, in its quarter-percent steps (0.04).
TEST(KernelEngines, presence_levels_are_set_through_the_property_set_in_its_steps)
{
    const Engine& kova = EngineNamed("kova");
    for (const std::string presence : {"FrontPresence=0", "FrontPresence=2.2", "CenterPresence=4"}) {
        const auto settings = vastum::ParseParameterSettings(kova, std::vector<std::string>{presence});
        EXPECT_NO_THROW(kova.createProcessor(kStereo, 0x3, settings, nullptr)) << presence;
    }
    const auto between = vastum::ParseParameterSettings(kova, std::vector<std::string>{"CenterPresence=2.21"});
    try {
        kova.createProcessor(kStereo, 0x3, between, nullptr);
        ADD_FAILURE() << "CenterPresence=2.21 lies between two steps and was taken";
    } catch (const UsageError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "--set CenterPresence=2.21: engine kova refused CenterPresence (STATUS_INVALID_PARAMETER); "
                  "CenterPresence must be 0..4");
    }
}

// A stream is opened, fed and closed, or opening fails at one of its steps:
// either way the engine's pool is as it was.
TEST(KernelEngines, every_engine_object_is_released_whatever_happens)
{
    struct OpenCase {
        const char* what;
        const char* engine;
        AudioFormat format;
        std::vector<std::pair<const char*, double>> settings;
        const char* failingTag;  // pool allocations of this tag fail
        const char* error;       // empty: the stream opens
    };
    const OpenCase cases[] = {
        {"vyohd opens and plays", "vyohd", kStereo, {{"QELWidth", 0.5}}, nullptr, ""},
        {"kova opens and plays", "kova", {48000, 24, 6, 0x3F}, {{"OutputMode", 7}}, nullptr, ""},
        {"vyohd refuses a value", "vyohd", kStereo, {{"QELWidth", 0.5}, {"QELMode", 9}}, nullptr, "refused QELMode"},
        {"kova refuses a value", "kova", kStereo, {{"SubviaSize", 8}}, nullptr, "refused SubviaSize"},
        {"kova refuses the format", "kova", {48000, 16, 1, std::nullopt}, {}, nullptr, "engine kova refused"},
        {"no memory for a VYO HD manager", "vyohd", kStereo, {}, "VYOm", "made no manager"},
        {"no memory for a VYO HD stream", "vyohd", kStereo, {}, "VYOS", "made no stream"},
        {"no memory for a KOVA manager", "kova", kStereo, {}, "KOVA", "made no manager"},
        {"no memory for a KOVA stream", "kova", kStereo, {}, "KPin", "made no stream"},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Engine& engine = EngineNamed(c.engine);
        std::vector<ParameterSetting> settings;
        for (const auto& [name, value] : c.settings) {
            settings.push_back(Unchecked(engine, name, value));
        }
        const std::size_t liveBefore = sim::pool::LiveBlocks();
        if (c.failingTag) {
            sim::pool::FailTag(sim::pool::TagFromText(c.failingTag));
        }
        const std::uint32_t mask = c.format.channelMask.value_or(c.format.channels == 2 ? 0x3 : 0);
        try {
            auto stream = engine.createProcessor(c.format, mask, settings, nullptr);
            EXPECT_EQ(std::string(c.error), "") << "the stream opened";
            std::vector<std::uint8_t> pcm(c.format.BytesPerFrame() * 100, 0x11);
            {
                vastum::SavedFloatingPointState floatingPoint;
                stream->ProcessInPlace(pcm);
            }
            EXPECT_NE(pcm, std::vector<std::uint8_t>(pcm.size(), 0x11)) << "the engine processed the buffer";
        } catch (const std::runtime_error& error) {  // CommandError or UsageError
            EXPECT_NE(std::string(c.error), "") << error.what();
            EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
        }
        sim::pool::ClearFaults();
        EXPECT_EQ(sim::pool::LiveBlocks(), liveBefore);
    }
}

}  // namespace
