#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "engine_fixture.h"
#include "vyohd_parameters.h"

namespace {

using namespace vyohd;

using vyohd_test::Engine;
using vyohd_test::EngineTest;
using vyohd_test::Parameters;
using vyohd_test::ParametersOf;

using ManagerTest = EngineTest;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST_F(ManagerTest, a_new_manager_has_the_documented_defaults_and_so_has_its_stream)
{
    Engine engine;
    const Parameters expected{kVYOHDDefaultEnable,      kVYOHDDefaultQELSize,      kVYOHDDefaultELEVOLevel,
                              kVYOHDDefaultNitidaLevel, kVYOHDDefaultSubviaLevel,  kVYOHDDefaultSubviaSize,
                              kVYOHDDefaultQELWidth,    kVYOHDDefaultInputGain,    kVYOHDDefaultOutputGain,
                              kVYOHDDefaultLimiterEnable, kVYOHDDefaultLimiterLevel, kVYOHDDefaultCenterLevel,
                              kVYOHDDefaultQELMode,     kVYOHDDefaultBypassGain};
    EXPECT_EQ(ParametersOf(engine.manager), expected);
    EXPECT_EQ(ParametersOf(engine.StreamContext()), expected);
    EXPECT_EQ(expected.inputGain, 1.0f) << "the manager raises the context's 0.5 to 1.0";
}

struct Setter {
    std::string name;
    std::function<NTSTATUS(VYOHDManager*)> call;
};

Setter SetFloat(std::string name, NTSTATUS (VYOHDManager::*set)(float), float value)
{
    return {name + " " + std::to_string(value), [set, value](VYOHDManager* m) { return (m->*set)(value); }};
}

Setter SetUnsigned(std::string name, NTSTATUS (VYOHDManager::*set)(ULONG), ULONG value)
{
    return {name + " " + std::to_string(value), [set, value](VYOHDManager* m) { return (m->*set)(value); }};
}

Setter SetByte(std::string name, NTSTATUS (VYOHDManager::*set)(UCHAR), UCHAR value)
{
    return {name + " " + std::to_string(value), [set, value](VYOHDManager* m) { return (m->*set)(value); }};
}

TEST_F(ManagerTest, refused_values_change_nothing_anywhere)
{
    const float above = std::nextafter(1.0f, 2.0f);
    const std::vector<Setter> refused = {
        SetFloat("ELEVOLevel", &VYOHDManager::SetELEVOLevel, above),
        SetFloat("ELEVOLevel", &VYOHDManager::SetELEVOLevel, -0.0001f),
        SetFloat("ELEVOLevel", &VYOHDManager::SetELEVOLevel, kNaN),
        SetFloat("NitidaLevel", &VYOHDManager::SetNitidaLevel, 4.5f),
        SetFloat("SubviaLevel", &VYOHDManager::SetSubviaLevel, above),
        SetFloat("QELWidth", &VYOHDManager::SetQELWidth, kNaN),
        SetFloat("QELWidth", &VYOHDManager::SetQELWidth, -std::numeric_limits<float>::infinity()),
        SetFloat("InputGain", &VYOHDManager::SetInputGain, 2.01f),
        SetFloat("OutputGain", &VYOHDManager::SetOutputGain, -1.0f),
        SetFloat("LimiterLevel", &VYOHDManager::SetLimiterLevel, 1.5f),
        SetFloat("CenterLevel", &VYOHDManager::SetCenterLevel, std::numeric_limits<float>::infinity()),
        SetFloat("BypassGain", &VYOHDManager::SetBypassGain, 2.5f),
        SetUnsigned("SubviaSize", &VYOHDManager::SetSubviaSize, 8),
        SetUnsigned("SubviaSize", &VYOHDManager::SetSubviaSize, 0xFFFFFFFFu),
        SetUnsigned("QELMode", &VYOHDManager::SetQELMode, 4),
    };
    Engine engine;
    const Parameters before = ParametersOf(engine.manager);
    for (const Setter& s : refused) {
        EXPECT_EQ(s.call(engine.manager), STATUS_INVALID_PARAMETER) << s.name;
    }
    EXPECT_EQ(ParametersOf(engine.manager), before);
    EXPECT_EQ(ParametersOf(engine.StreamContext()), before);
}

TEST_F(ManagerTest, out_of_range_switches_are_ignored_with_success)
{
    const std::vector<Setter> ignored = {
        SetByte("Enable", &VYOHDManager::SetEnable, 2),
        SetByte("LimiterEnable", &VYOHDManager::SetLimiterEnable, 0xFF),
        SetUnsigned("QELSize", &VYOHDManager::SetQELSize, 2),
        SetUnsigned("QELSize", &VYOHDManager::SetQELSize, 9),
    };
    Engine engine;
    const Parameters before = ParametersOf(engine.manager);
    for (const Setter& s : ignored) {
        EXPECT_EQ(s.call(engine.manager), STATUS_SUCCESS) << s.name;
    }
    EXPECT_EQ(ParametersOf(engine.manager), before);
}

// Every range bound is accepted; a change reaches every stream, and a
// stream created afterwards starts with it.
TEST_F(ManagerTest, changes_reach_every_stream_and_new_streams_start_with_them)
{
    Engine engine;
    VYOHDStream* second = engine.manager->CreateStream();
    ASSERT_NE(second, nullptr);
    auto contextOf = [](VYOHDStream* s) -> VYOHDContext& { return *static_cast<VYOHDStreamObject*>(s)->Context(); };

    const std::vector<Setter> changes = {
        SetByte("Enable", &VYOHDManager::SetEnable, 0),
        SetUnsigned("QELSize", &VYOHDManager::SetQELSize, 1),
        SetFloat("ELEVOLevel", &VYOHDManager::SetELEVOLevel, 1.0f),
        SetFloat("NitidaLevel", &VYOHDManager::SetNitidaLevel, 4.0f),
        SetFloat("SubviaLevel", &VYOHDManager::SetSubviaLevel, 0.0f),
        SetUnsigned("SubviaSize", &VYOHDManager::SetSubviaSize, 7),
        SetFloat("QELWidth", &VYOHDManager::SetQELWidth, 1.0f),
        SetFloat("InputGain", &VYOHDManager::SetInputGain, 2.0f),
        SetFloat("OutputGain", &VYOHDManager::SetOutputGain, 0.0f),
        SetByte("LimiterEnable", &VYOHDManager::SetLimiterEnable, 0),
        SetFloat("LimiterLevel", &VYOHDManager::SetLimiterLevel, 1.0f),
        SetFloat("CenterLevel", &VYOHDManager::SetCenterLevel, 0.0f),
        SetUnsigned("QELMode", &VYOHDManager::SetQELMode, 3),
        SetFloat("BypassGain", &VYOHDManager::SetBypassGain, 2.0f),
    };
    for (const Setter& s : changes) {
        EXPECT_EQ(s.call(engine.manager), STATUS_SUCCESS) << s.name;
    }
    const Parameters expected{0, 1, 1.0f, 4.0f, 0.0f, 7, 1.0f, 2.0f, 0.0f, 0, 1.0f, 0.0f, 3, 2.0f};
    EXPECT_EQ(ParametersOf(engine.manager), expected);
    EXPECT_EQ(ParametersOf(engine.StreamContext()), expected);
    EXPECT_EQ(ParametersOf(contextOf(second)), expected);

    VYOHDStream* later = engine.manager->CreateStream();
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(ParametersOf(contextOf(later)), expected);
    const WAVEFORMATEX format = vyohd_test::PcmFormat(2, 16, 96000);
    ASSERT_EQ(later->SetFormat(&format), STATUS_SUCCESS);
    EXPECT_EQ(ParametersOf(contextOf(later)), expected) << "a format change recopies the same values";

    // A released stream has left the list: the next change must not reach it.
    second->Release();
    EXPECT_EQ(engine.manager->SetQELWidth(0.5f), STATUS_SUCCESS);
    EXPECT_EQ(contextOf(later).qel3d.width.Load(), 0.5f);
    later->Release();
}

TEST_F(ManagerTest, creation_that_runs_short_of_memory_leaves_nothing_behind)
{
    // A manager takes two allocations (object, context); a stream three
    // (object, context, state block). Fail each one in turn.
    for (int failing = 1; failing <= 5; ++failing) {
        sim::pool::FailNthAllocation(failing);
        VYOHDManager* manager = CreateVYOHDManager3();
        VYOHDStream* stream = manager != nullptr ? manager->CreateStream() : nullptr;
        EXPECT_EQ(stream, nullptr) << "allocation " << failing;
        EXPECT_FALSE(sim::pool::InjectionPending()) << "allocation " << failing << " was never made";
        if (manager != nullptr) {
            EXPECT_EQ(sim::pool::Usage("VYOp").liveBlocks + sim::pool::Usage("VYOS").liveBlocks, 0u);
            EXPECT_EQ(sim::pool::Usage("VYOC").liveBlocks, 1u) << "only the manager's context";
            manager->Release();
        } else {
            EXPECT_LE(failing, 2);
        }
        for (const char* tag : vyohd_test::kEngineTags) {
            EXPECT_EQ(sim::pool::Usage(tag).liveBlocks, 0u) << "tag " << tag << " after failing allocation " << failing;
        }
    }
}

TEST_F(ManagerTest, creation_without_the_floating_point_unit_returns_null)
{
    sim::fpu::FailNextSaves(1);
    EXPECT_EQ(CreateVYOHDManager3(), nullptr);

    Engine engine;
    sim::fpu::FailNextSaves(1);
    EXPECT_EQ(engine.manager->CreateStream(), nullptr);
    EXPECT_EQ(sim::pool::Usage("VYOp").liveBlocks, 1u) << "only the engine's own stream";
}

// Setters run on their own thread while audio is processed and formats
// change on others; when everything stops, every stream holds the last value
// set, as no change may be lost between a stream's copy and its list entry.
TEST_F(ManagerTest, changes_racing_with_processing_and_format_changes_are_never_lost)
{
    Engine engine;
    engine.Format(2, 16);
    VYOHDStream* reformatted = engine.manager->CreateStream();
    ASSERT_NE(reformatted, nullptr);
    std::atomic<bool> stop{false};

    std::thread audio([&] {
        std::vector<std::int16_t> buffer(2 * 480, 3000);
        while (!stop) {
            engine.stream->ProcessInPlace(reinterpret_cast<PUCHAR>(buffer.data()), 4 * 480);
        }
    });
    std::thread formats([&] {
        const WAVEFORMATEX a = vyohd_test::PcmFormat(2, 16, 44100);
        const WAVEFORMATEX b = vyohd_test::PcmFormat(2, 24, 48000);
        for (int i = 0; !stop; ++i) {
            reformatted->SetFormat(i % 2 ? &a : &b);
        }
    });
    for (int i = 0; i <= 2000; ++i) {
        const float width = static_cast<float>(i % 101) / 100.0f;
        engine.manager->SetQELWidth(width);
        engine.manager->SetQELMode(static_cast<ULONG>(i % 4));
        engine.manager->SetSubviaSize(static_cast<ULONG>(i % 8));
    }
    stop = true;
    audio.join();
    formats.join();

    const Parameters final = ParametersOf(engine.manager);
    EXPECT_EQ(ParametersOf(engine.StreamContext()), final);
    EXPECT_EQ(ParametersOf(*static_cast<VYOHDStreamObject*>(reformatted)->Context()), final);
    reformatted->Release();
}

}  // namespace
