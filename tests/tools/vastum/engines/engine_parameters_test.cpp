#include "engines/engine_parameters.h"

#include <gtest/gtest.h>

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
};
const Engine kFixtureEngine = {"fixture", "an engine with one parameter of each kind", kParameters, nullptr};

std::vector<vastum::ParameterSetting> Parse(std::vector<std::string> assignments)
{
    return vastum::ParseParameterSettings(kFixtureEngine, assignments);
}

TEST(EngineParameters, settings_resolve_in_the_order_given)
{
    const auto settings = Parse({"Width=0.25", "Enable=0", "Mode=3", "Width=1", "Width=-0", "Mode=0e0"});
    ASSERT_EQ(settings.size(), 6u);
    const std::pair<const char*, double> expected[] = {{"Width", 0.25}, {"Enable", 0}, {"Mode", 3},
                                                       {"Width", 1.0},  {"Width", 0},  {"Mode", 0}};
    for (std::size_t i = 0; i < settings.size(); ++i) {
        EXPECT_EQ(settings[i].parameter->name, expected[i].first);
        EXPECT_EQ(settings[i].value, expected[i].second);
    }
}

TEST(EngineParameters, bad_assignments_are_refused_naming_the_problem)
{
    struct BadCase {
        const char* assignment;
        const char* message;
    };
    const BadCase cases[] = {
        {"Depth=1", "--set Depth=1: engine fixture has no parameter Depth"},
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
              "  Width   0..1    default 0.8  stereo width");
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
