#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kova_pool_tags.h"
#include "kova_test_support.h"
#include "sim/pool.h"
#include "sim/status.h"

namespace {

TEST(KOVAManager, a_new_manager_holds_the_defaults)
{
    ManagerWithStreams engine;
    KOVAManagerObject& m = *engine.manager;
    EXPECT_EQ(m.GetEnable(), 1);
    EXPECT_EQ(m.GetHeadphone(), 0);
    EXPECT_EQ(m.GetKVHDMode(), 8);
    EXPECT_EQ(m.GetOutputMode(), 0);
    EXPECT_EQ(m.GetElevoEnable(), 1);
    EXPECT_EQ(m.GetElevoLevel(), 0.5f);
    EXPECT_EQ(m.GetSubviaEnable(), 1);
    EXPECT_EQ(m.GetSubviaLevel(), 0.6f);
    EXPECT_EQ(m.GetSubviaSize(), 1u);
    EXPECT_EQ(m.GetSubviaSubEnable(), 1);
    EXPECT_EQ(m.GetSubviaSubLevel(), 0.6f);
    EXPECT_EQ(m.GetSubviaSubSize(), 0u);
    EXPECT_EQ(m.GetInputGain(), 1.0f);
    EXPECT_EQ(m.GetOutputGain(), 1.0f);
    EXPECT_EQ(m.GetCrossoverSelect(), 0u);
    EXPECT_EQ(m.GetFrontPresence(), 1.0f);
    EXPECT_EQ(m.GetCenterPresence(), 1.0f);
    for (ULONG group = 0; group < 4; ++group) {
        float gain = 0.0f;
        EXPECT_EQ(m.GetSpeakerGroupGain(group, &gain), STATUS_SUCCESS);
        EXPECT_EQ(gain, 1.0f) << "group " << group;
    }
    EXPECT_EQ(m.Params().InputTrim.Load(), 1.0f);
    EXPECT_EQ(m.Params().SurroundPresence.Load(), 0.0f);
}

// Every setter with values at and just past its bounds: a refused value
// returns STATUS_INVALID_PARAMETER and the getter still reads the old value.
struct SetterCase {
    const char* name;
    NTSTATUS (*set)(KOVAManagerObject&);
    double (*get)(KOVAManagerObject&);
    NTSTATUS expected;
    double expectedValue;  // what the getter reads afterwards
};

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

double GetGroup2(KOVAManagerObject& m)
{
    float gain = -1.0f;
    m.GetSpeakerGroupGain(2, &gain);
    return gain;
}

const SetterCase kSetterCases[] = {
    {"KVHDMode 0", [](KOVAManagerObject& m) { return m.SetKVHDMode(0); }, [](KOVAManagerObject& m) { return double(m.GetKVHDMode()); }, STATUS_SUCCESS, 0},
    {"KVHDMode 11", [](KOVAManagerObject& m) { return m.SetKVHDMode(11); }, [](KOVAManagerObject& m) { return double(m.GetKVHDMode()); }, STATUS_SUCCESS, 11},
    {"KVHDMode 12", [](KOVAManagerObject& m) { return m.SetKVHDMode(12); }, [](KOVAManagerObject& m) { return double(m.GetKVHDMode()); }, STATUS_INVALID_PARAMETER, 8},
    {"KVHDMode -1", [](KOVAManagerObject& m) { return m.SetKVHDMode(-1); }, [](KOVAManagerObject& m) { return double(m.GetKVHDMode()); }, STATUS_INVALID_PARAMETER, 8},
    {"OutputMode 5", [](KOVAManagerObject& m) { return m.SetOutputMode(5); }, [](KOVAManagerObject& m) { return double(m.GetOutputMode()); }, STATUS_SUCCESS, 5},
    {"OutputMode 8", [](KOVAManagerObject& m) { return m.SetOutputMode(8); }, [](KOVAManagerObject& m) { return double(m.GetOutputMode()); }, STATUS_INVALID_PARAMETER, 0},
    {"OutputMode -1", [](KOVAManagerObject& m) { return m.SetOutputMode(-1); }, [](KOVAManagerObject& m) { return double(m.GetOutputMode()); }, STATUS_INVALID_PARAMETER, 0},
    {"Enable 0x100 keeps the low byte", [](KOVAManagerObject& m) { return m.SetEnable(0x100); }, [](KOVAManagerObject& m) { return double(m.GetEnable()); }, STATUS_SUCCESS, 0},
    {"Headphone 0x201", [](KOVAManagerObject& m) { return m.SetHeadphone(0x201); }, [](KOVAManagerObject& m) { return double(m.GetHeadphone()); }, STATUS_SUCCESS, 1},
    {"ElevoEnable 0", [](KOVAManagerObject& m) { return m.SetElevoEnable(0); }, [](KOVAManagerObject& m) { return double(m.GetElevoEnable()); }, STATUS_SUCCESS, 0},
    {"SubviaEnable 0xFF00", [](KOVAManagerObject& m) { return m.SetSubviaEnable(0xFF00); }, [](KOVAManagerObject& m) { return double(m.GetSubviaEnable()); }, STATUS_SUCCESS, 0},
    {"SubviaSubEnable 7", [](KOVAManagerObject& m) { return m.SetSubviaSubEnable(7); }, [](KOVAManagerObject& m) { return double(m.GetSubviaSubEnable()); }, STATUS_SUCCESS, 1},
    {"ElevoLevel 1.0", [](KOVAManagerObject& m) { return m.SetElevoLevel(1.0f); }, [](KOVAManagerObject& m) { return double(m.GetElevoLevel()); }, STATUS_SUCCESS, 1.0},
    {"ElevoLevel 1.0000001", [](KOVAManagerObject& m) { return m.SetElevoLevel(std::nextafter(1.0f, 2.0f)); }, [](KOVAManagerObject& m) { return double(m.GetElevoLevel()); }, STATUS_INVALID_PARAMETER, 0.5},
    {"SubviaLevel -0.1", [](KOVAManagerObject& m) { return m.SetSubviaLevel(-0.1f); }, [](KOVAManagerObject& m) { return double(m.GetSubviaLevel()); }, STATUS_INVALID_PARAMETER, double(0.6f)},
    {"SubviaSubLevel NaN", [](KOVAManagerObject& m) { return m.SetSubviaSubLevel(kNaN); }, [](KOVAManagerObject& m) { return double(m.GetSubviaSubLevel()); }, STATUS_INVALID_PARAMETER, double(0.6f)},
    {"SubviaSize 7", [](KOVAManagerObject& m) { return m.SetSubviaSize(7); }, [](KOVAManagerObject& m) { return double(m.GetSubviaSize()); }, STATUS_SUCCESS, 7},
    {"SubviaSize 9", [](KOVAManagerObject& m) { return m.SetSubviaSize(9); }, [](KOVAManagerObject& m) { return double(m.GetSubviaSize()); }, STATUS_INVALID_PARAMETER, 1},
    {"SubviaSubSize 0xFFFFFFFF", [](KOVAManagerObject& m) { return m.SetSubviaSubSize(0xFFFFFFFFu); }, [](KOVAManagerObject& m) { return double(m.GetSubviaSubSize()); }, STATUS_INVALID_PARAMETER, 0},
    {"CrossoverSelect 3", [](KOVAManagerObject& m) { return m.SetCrossoverSelect(3); }, [](KOVAManagerObject& m) { return double(m.GetCrossoverSelect()); }, STATUS_SUCCESS, 3},
    {"CrossoverSelect 4", [](KOVAManagerObject& m) { return m.SetCrossoverSelect(4); }, [](KOVAManagerObject& m) { return double(m.GetCrossoverSelect()); }, STATUS_INVALID_PARAMETER, 0},
    {"InputGain 2.0", [](KOVAManagerObject& m) { return m.SetInputGain(2.0f); }, [](KOVAManagerObject& m) { return double(m.GetInputGain()); }, STATUS_SUCCESS, 2.0},
    {"InputGain 2.0000002", [](KOVAManagerObject& m) { return m.SetInputGain(2.0000002f); }, [](KOVAManagerObject& m) { return double(m.GetInputGain()); }, STATUS_INVALID_PARAMETER, 1.0},
    {"InputGain NaN", [](KOVAManagerObject& m) { return m.SetInputGain(kNaN); }, [](KOVAManagerObject& m) { return double(m.GetInputGain()); }, STATUS_INVALID_PARAMETER, 1.0},
    {"OutputGain 0.0", [](KOVAManagerObject& m) { return m.SetOutputGain(0.0f); }, [](KOVAManagerObject& m) { return double(m.GetOutputGain()); }, STATUS_SUCCESS, 0.0},
    {"OutputGain -0.5", [](KOVAManagerObject& m) { return m.SetOutputGain(-0.5f); }, [](KOVAManagerObject& m) { return double(m.GetOutputGain()); }, STATUS_INVALID_PARAMETER, 1.0},
    {"CenterGain 0.5", [](KOVAManagerObject& m) { return m.SetSpeakerGroupGain(2, 0.5f); }, GetGroup2, STATUS_SUCCESS, 0.5},
    {"speaker group 4", [](KOVAManagerObject& m) { return m.SetSpeakerGroupGain(4, 0.5f); }, GetGroup2, STATUS_INVALID_PARAMETER, 1.0},
    {"FrontPresence 4.0", [](KOVAManagerObject& m) { return m.SetFrontPresence(4.0f); }, [](KOVAManagerObject& m) { return double(m.GetFrontPresence()); }, STATUS_SUCCESS, 4.0},
    {"CenterPresence 4.01", [](KOVAManagerObject& m) { return m.SetCenterPresence(4.01f); }, [](KOVAManagerObject& m) { return double(m.GetCenterPresence()); }, STATUS_INVALID_PARAMETER, 1.0},
};

TEST(KOVAManager, setters_accept_their_ranges_and_refused_values_change_nothing)
{
    for (const SetterCase& c : kSetterCases) {
        ManagerWithStreams engine;
        EXPECT_EQ(sim::StatusName(c.set(*engine.manager)), sim::StatusName(c.expected)) << c.name;
        EXPECT_EQ(c.get(*engine.manager), c.expectedValue) << c.name;
    }
}

TEST(KOVAManager, speaker_group_get_refuses_a_null_pointer_and_an_unknown_group)
{
    ManagerWithStreams engine;
    float gain = 7.0f;
    EXPECT_EQ(engine.manager->GetSpeakerGroupGain(0, nullptr), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(engine.manager->GetSpeakerGroupGain(4, &gain), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(gain, 7.0f);
}

TEST(KOVAManager, parameter_changes_reach_existing_streams_and_later_formats)
{
    ManagerWithStreams engine;
    KOVAStreamObject* first = engine.AddFormattedStream(48000, 16, 2, 0x3);
    KOVAStreamObject* second = engine.AddFormattedStream(44100, 16, 6, 0x3F);
    KOVAStreamObject* unformatted = engine.AddStream();
    ASSERT_TRUE(first && second && unformatted);
    KOVAManagerObject& m = *engine.manager;

    ASSERT_EQ(m.SetKVHDMode(6), STATUS_SUCCESS);
    ASSERT_EQ(m.SetOutputMode(5), STATUS_SUCCESS);
    ASSERT_EQ(m.SetEnable(0), STATUS_SUCCESS);
    ASSERT_EQ(m.SetHeadphone(1), STATUS_SUCCESS);
    ASSERT_EQ(m.SetElevoEnable(0), STATUS_SUCCESS);
    ASSERT_EQ(m.SetElevoLevel(0.25f), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSubviaEnable(0), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSubviaLevel(0.125f), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSubviaSize(5), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSubviaSubEnable(0), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSubviaSubLevel(0.75f), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSubviaSubSize(3), STATUS_SUCCESS);
    ASSERT_EQ(m.SetCrossoverSelect(2), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSpeakerGroupGain(KOVAGroupCenter, 0.5f), STATUS_SUCCESS);
    ASSERT_EQ(m.SetSpeakerGroupGain(KOVAGroupSubwoofer, 0.0f), STATUS_SUCCESS);
    ASSERT_EQ(m.SetFrontPresence(2.0f), STATUS_SUCCESS);
    ASSERT_EQ(m.SetCenterPresence(3.0f), STATUS_SUCCESS);
    ASSERT_EQ(unformatted->SetFormat(96000, 24, 8, 0x13F), STATUS_SUCCESS);

    for (KOVAStreamObject* stream : {first, second, unformatted}) {
        const KOVAState& s = stream->State();
        EXPECT_EQ(s.core.mode.Load(), 6u);
        EXPECT_EQ(s.core.outputMode.Load(), 5);
        EXPECT_EQ(s.core.bypass.Load(), 1);
        EXPECT_EQ(s.core.headphone.Load(), 1);
        EXPECT_EQ(s.core.elevo.enable.Load(), 0);
        EXPECT_EQ(s.core.elevo.level.Load(), 0.25f);
        EXPECT_EQ(s.subviaFront.enable.Load(), 0);
        EXPECT_EQ(s.subviaFront.level.Load(), 0.125f);
        EXPECT_EQ(s.subviaFront.size.Load(), 5u);
        EXPECT_EQ(s.subviaSub.enable.Load(), 0);
        EXPECT_EQ(s.subviaSub.level.Load(), 0.75f);
        EXPECT_EQ(s.subviaSub.size.Load(), 3u);
        EXPECT_EQ(s.output.crossoverSelect.Load(), 2u);
        EXPECT_EQ(s.output.groupGain[KOVAGroupCenter].Load(), 0.5f);
        EXPECT_EQ(s.output.groupGain[KOVAGroupSubwoofer].Load(), 0.0f);
        EXPECT_EQ(s.output.frontPresence.Load(), 2.0f);
        EXPECT_EQ(s.output.centerPresence.Load(), 3.0f);
    }
}

TEST(KOVAManager, a_refused_value_reaches_no_stream)
{
    ManagerWithStreams engine;
    KOVAStreamObject* stream = engine.AddFormattedStream(48000, 16, 2, 0x3);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(engine.manager->SetKVHDMode(12), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(engine.manager->SetSubviaSize(9), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(engine.manager->SetElevoLevel(1.5f), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(stream->State().core.mode.Load(), 8u);
    EXPECT_EQ(stream->State().subviaFront.size.Load(), 1u);
    EXPECT_EQ(stream->State().subviaFront.sizeChanged.Load(), 0);
    EXPECT_EQ(stream->State().core.elevo.level.Load(), 0.5f);
}

TEST(KOVAManager, pool_exhaustion_gives_null_and_leaks_nothing)
{
    const auto managers = sim::pool::Usage(kKOVAManagerTag).liveBlocks;
    const auto streams = sim::pool::Usage(kKOVAStreamTag).liveBlocks;

    sim::pool::FailNthAllocation(1);
    EXPECT_EQ(KOVAManagerObject::Create(), nullptr);

    {
        ManagerWithStreams engine;
        ASSERT_NE(engine.manager, nullptr);
        EXPECT_EQ(sim::pool::Usage(kKOVAManagerTag).liveBlocks, managers + 1);
        sim::pool::FailTag(kKOVAStreamTag);
        EXPECT_EQ(engine.manager->CreateStream(), nullptr);
        sim::pool::ClearFaults();
        ASSERT_NE(engine.AddFormattedStream(48000, 16, 2, 0x3), nullptr);
        // The failed creation left nothing in the list: a broadcast walks one stream.
        EXPECT_EQ(engine.manager->SetKVHDMode(3), STATUS_SUCCESS);
        EXPECT_EQ(engine.streams[0]->State().core.mode.Load(), 3u);
    }
    EXPECT_EQ(sim::pool::Usage(kKOVAManagerTag).liveBlocks, managers);
    EXPECT_EQ(sim::pool::Usage(kKOVAStreamTag).liveBlocks, streams);
}

TEST(KOVAManager, a_released_stream_leaves_the_list_and_the_others_still_follow)
{
    ManagerWithStreams engine;
    KOVAStream* leaving = engine.manager->CreateStream();
    KOVAStreamObject* staying = engine.AddFormattedStream(48000, 16, 2, 0x3);
    ASSERT_TRUE(leaving && staying);
    leaving->Release();
    EXPECT_EQ(engine.manager->SetHeadphone(1), STATUS_SUCCESS);
    EXPECT_EQ(staying->State().core.headphone.Load(), 1);
}

}  // namespace
