// The property value adapters: wire encodings of switches, integers,
// percent and decibels, and what a refused or failed request leaves.

#include <gtest/gtest.h>
#include <wdm.h>

#include "property_adapters.h"
#include "property_request.h"
#include "sim/fpu.h"
#include "test_knobs.h"

namespace {

const KSPROPERTY kGet = ks_test::Property(GUID_NULL, 0, KSPROPERTY_TYPE_GET);
const KSPROPERTY kSet = ks_test::Property(GUID_NULL, 0, KSPROPERTY_TYPE_SET);

LONG GetWire(NTSTATUS (*adapter)(const KSPROPERTY*, PVOID, TestKnobs*), TestKnobs& knobs)
{
    ULONG data = 0xDEADBEEF;
    EXPECT_EQ(adapter(&kGet, &data, &knobs), STATUS_SUCCESS);
    return static_cast<LONG>(data);
}

NTSTATUS SetWire(NTSTATUS (*adapter)(const KSPROPERTY*, PVOID, TestKnobs*), TestKnobs& knobs, LONG value)
{
    ULONG data = static_cast<ULONG>(value);
    return adapter(&kSet, &data, &knobs);
}

NTSTATUS Flag(const KSPROPERTY* p, PVOID d, TestKnobs* k)
{
    return BoolPropertyAdapter(p, d, k, &TestKnobs::GetFlag, &TestKnobs::SetFlag);
}
NTSTATUS Size(const KSPROPERTY* p, PVOID d, TestKnobs* k)
{
    return IntPropertyAdapter(p, d, k, &TestKnobs::GetSize, &TestKnobs::SetSize);
}
NTSTATUS LevelPercent(const KSPROPERTY* p, PVOID d, TestKnobs* k)
{
    return PercentPropertyAdapter(p, d, k, &TestKnobs::GetLevel, &TestKnobs::SetLevel);
}
NTSTATUS GainPercent(const KSPROPERTY* p, PVOID d, TestKnobs* k)
{
    return PercentPropertyAdapter(p, d, k, &TestKnobs::GetGain, &TestKnobs::SetGain);
}
NTSTATUS GainDecibels(const KSPROPERTY* p, PVOID d, TestKnobs* k)
{
    return DecibelPropertyAdapter(p, d, k, &TestKnobs::GetGain, &TestKnobs::SetGain);
}

TEST(PropertyAdapters, switches_and_integers_travel_as_32_bit_values)
{
    TestKnobs knobs;
    EXPECT_EQ(GetWire(Flag, knobs), 1);
    EXPECT_EQ(SetWire(Flag, knobs, 0x100), STATUS_SUCCESS);
    EXPECT_EQ(knobs.flag, 1) << "any nonzero value sets the switch";
    EXPECT_EQ(SetWire(Flag, knobs, 0), STATUS_SUCCESS);
    EXPECT_EQ(GetWire(Flag, knobs), 0);

    EXPECT_EQ(GetWire(Size, knobs), 3);
    EXPECT_EQ(SetWire(Size, knobs, 7), STATUS_SUCCESS);
    EXPECT_EQ(SetWire(Size, knobs, 8), STATUS_INVALID_PARAMETER) << "the setter's refusal is the result";
    EXPECT_EQ(knobs.size, 7u);
}

TEST(PropertyAdapters, percent_reads_the_nearest_whole_percent)
{
    const struct {
        float level;
        LONG percent;
    } cases[] = {{0.75f, 75}, {0.999f, 100}, {0.8f, 80}, {0.6f, 60}, {0.0f, 0}, {1.0f, 100}, {0.994f, 99}};
    for (const auto& c : cases) {
        TestKnobs knobs;
        knobs.level = c.level;
        EXPECT_EQ(GetWire(LevelPercent, knobs), c.percent) << "level " << c.level;
    }
    TestKnobs knobs;
    knobs.gain = 1.6f;
    EXPECT_EQ(GetWire(GainPercent, knobs), 160);
}

TEST(PropertyAdapters, percent_sets_the_level_or_the_setter_refuses_it)
{
    TestKnobs knobs;
    EXPECT_EQ(SetWire(LevelPercent, knobs, 75), STATUS_SUCCESS);
    EXPECT_FLOAT_EQ(knobs.level, 0.75f);
    EXPECT_EQ(SetWire(LevelPercent, knobs, 150), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(SetWire(LevelPercent, knobs, -1), STATUS_INVALID_PARAMETER) << "read as 4294967295, far above 1";
    EXPECT_FLOAT_EQ(knobs.level, 0.75f);
}

TEST(PropertyAdapters, decibels_read_rounded_half_away_from_zero)
{
    const struct {
        float gain;
        LONG decibels;
    } cases[] = {
        {1.0f, 0},    {0.5f, -6},   {0.1f, -20},    {0.0f, -999},   {1.995f, 6},
        {0.7079f, -3}, {1.059f, 0}, {1.06f, 1},     {-1.0f, -999},  {2.0f, 6},
    };
    for (const auto& c : cases) {
        TestKnobs knobs;
        knobs.gain = c.gain;
        EXPECT_EQ(GetWire(GainDecibels, knobs), c.decibels) << "gain " << c.gain;
    }
}

TEST(PropertyAdapters, decibels_outside_the_scale_are_refused_before_the_setter)
{
    const struct {
        LONG decibels;
        NTSTATUS status;
        float gain;  // after the set; 1.0 when refused
    } cases[] = {
        {6, STATUS_SUCCESS, 1.9952623f}, {-6, STATUS_SUCCESS, 0.5011872f}, {-20, STATUS_SUCCESS, 0.1f},
        {0, STATUS_SUCCESS, 1.0f},       {-999, STATUS_SUCCESS, 0.0f},     {7, STATUS_INVALID_PARAMETER, 1.0f},
        {-21, STATUS_INVALID_PARAMETER, 1.0f}, {-998, STATUS_INVALID_PARAMETER, 1.0f},
    };
    for (const auto& c : cases) {
        TestKnobs knobs;
        EXPECT_EQ(SetWire(GainDecibels, knobs, c.decibels), c.status) << c.decibels << " dB";
        EXPECT_NEAR(knobs.gain, c.gain, 1e-6) << c.decibels << " dB";
        EXPECT_EQ(knobs.setterCalls, c.status == STATUS_SUCCESS ? 1 : 0) << c.decibels << " dB";
    }
}

TEST(PropertyAdapters, without_the_floating_point_state_percent_and_decibels_do_nothing)
{
    for (auto adapter : {LevelPercent, GainDecibels}) {
        TestKnobs knobs;
        ULONG data = 50;
        sim::fpu::FailNextSaves(2, STATUS_ILLEGAL_FLOAT_CONTEXT);
        EXPECT_EQ(adapter(&kGet, &data, &knobs), STATUS_ILLEGAL_FLOAT_CONTEXT);
        EXPECT_EQ(adapter(&kSet, &data, &knobs), STATUS_ILLEGAL_FLOAT_CONTEXT);
        EXPECT_EQ(data, 50u);
        EXPECT_EQ(knobs.getterCalls + knobs.setterCalls, 0);
    }
    EXPECT_EQ(sim::fpu::OutstandingSaves(), 0);
}

}  // namespace
