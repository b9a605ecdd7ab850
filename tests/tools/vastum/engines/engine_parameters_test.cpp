#include "engines/engine_parameters.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "command_error.h"
#include "engines/engine_table.h"

namespace {

using vastum::Engine;
using vastum::EngineParameter;
using vastum::ParameterKind;
using vastum::UsageError;

constexpr EngineParameter kParameters[] = {
    {"Enable", ParameterKind::Boolean, 0, 1, 1, "switches processing"},
    {"Mode", ParameterKind::Integer, 0, 3, 2, "processing path"},
    {"Width", ParameterKind::Real, 0, 1, 0.8, "stereo width"},
    {"Depth", ParameterKind::Real, 0, 2, 0.4f, "a single-precision default"},
    {"Gain", ParameterKind::Real, -vastum::kAnySingle, vastum::kAnySingle, 1, "any gain"},
};
const Engine kFixtureEngine = {"fixture", "an engine with one parameter of each kind", kParameters, nullptr, nullptr,
                                nullptr};

std::vector<vastum::ParameterSetting> Parse(std::vector<std::string> assignments)
{
    return vastum::ParseParameterSettings(kFixtureEngine, assignments);
}

TEST(EngineParameters, settings_resolve_in_the_order_given)
{
    // 3.40282356e38 lies above the largest float but rounds to it;
    // 3.40282357e38 lies beyond the midpoint to 2^128 and rounds to infinity.
    constexpr double kLargestSingle = std::numeric_limits<float>::max();
    const auto settings = Parse({"Width=0.25", "Enable=0", "Mode=3", "Width=1", "Width=-0", "Mode=0e0", "Width=0.1",
                                 "Width=1.00000001", "Gain=-1e30", "Gain=3.40282356e38"});
    ASSERT_EQ(settings.size(), 10u);
    // Real values are the single-precision numbers the engine receives:
    // 1.00000001 is 1.0f, so a setter that takes 0..1 takes it.
    const std::pair<const char*, double> expected[] = {
        {"Width", 0.25}, {"Enable", 0}, {"Mode", 3},           {"Width", 1.0}, {"Width", 0},
        {"Mode", 0},     {"Width", 0.1f}, {"Width", 1.0}, {"Gain", -1e30f}, {"Gain", kLargestSingle},
    };
    for (std::size_t i = 0; i < settings.size(); ++i) {
        EXPECT_EQ(settings[i].parameter->name, expected[i].first);
        EXPECT_EQ(settings[i].value, expected[i].second) << settings[i].assignment;
    }
    EXPECT_EQ(settings[7].assignment, "Width=1.00000001");
}

TEST(EngineParameters, bad_assignments_are_refused_naming_the_problem)
{
    struct BadCase {
        const char* assignment;
        const char* message;
    };
    const BadCase cases[] = {
        {"Height=1", "--set Height=1: engine fixture has no parameter Height"},
        {"width=0.5", "--set width=0.5: engine fixture has no parameter width"},
        {"Width", "--set Width: expected NAME=VALUE"},
        {"=1", "--set =1: expected NAME=VALUE"},
        {"Width=", "--set Width=: '' is not a number"},
        {"Width=abc", "--set Width=abc: 'abc' is not a number"},
        {"Width=0.5x", "--set Width=0.5x: '0.5x' is not a number"},
        {"Width=nan", "--set Width=nan: 'nan' is not a number"},
        {"Width=inf", "--set Width=inf: 'inf' is not a number"},
        {"Width=1.01", "--set Width=1.01: Width must be 0..1"},
        {"Width=-0.1", "--set Width=-0.1: Width must be 0..1"},
        {"Width=1.0000001", "--set Width=1.0000001: Width must be 0..1"},  // 1.00000012f
        {"Gain=1e39", "--set Gain=1e39: Gain takes any single-precision number"},
        {"Gain=-3.40282357e38", "--set Gain=-3.40282357e38: Gain takes any single-precision number"},
        {"Mode=4", "--set Mode=4: Mode must be 0..3"},
        {"Mode=1.5", "--set Mode=1.5: Mode takes a whole number (0..3)"},
        {"Enable=2", "--set Enable=2: Enable must be 0 or 1"},
    };
    for (const BadCase& c : cases) {
        try {
            Parse({"Width=0.5", c.assignment});
            ADD_FAILURE() << c.assignment << " was accepted";
        } catch (const UsageError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
    const std::vector<std::string> width = {"Width=1"};
    EXPECT_THROW(vastum::ParseParameterSettings(*vastum::FindEngine("none"), width), UsageError);
}

TEST(EngineParameters, help_lists_every_parameter_with_range_and_default)
{
    EXPECT_EQ(vastum::DescribeParameters(kFixtureEngine),
              "Parameters of engine fixture (--set NAME=VALUE):\n"
              "  Enable  0 or 1  default 1    switches processing\n"
              "  Mode    0..3    default 2    processing path\n"
              "  Width   0..1    default 0.8  stereo width\n"
              "  Depth   0..2    default 0.4  a single-precision default\n"
              "  Gain    any     default 1    any gain");
    EXPECT_EQ(vastum::DescribeParameters(*vastum::FindEngine("none")), "Engine none has no parameters.");
}

TEST(EngineTable, every_engine_is_found_by_its_name_and_the_default_is_one_of_them)
{
    for (const Engine* engine : vastum::RegisteredEngines()) {
        EXPECT_EQ(vastum::FindEngine(engine->name), engine);
        ASSERT_NE(engine->createProcessor, nullptr) << engine->name;
    }
    EXPECT_EQ(vastum::FindEngine(vastum::DefaultEngine().name), &vastum::DefaultEngine());
    EXPECT_EQ(vastum::FindEngine("None"), nullptr);
}

}  // namespace
