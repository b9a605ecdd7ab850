// The VYO HD parameters in the registry: what a save writes, what a load
// accepts, and a floating-point state that cannot be saved.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/test_registry_key.h"
#include "engine_fixture.h"
#include "sim/registry.h"

namespace {

using vyohd_test::Engine;
using vyohd_test::EngineTest;
using vyohd_test::Parameters;
using vyohd_test::ParametersOf;

const wchar_t kKeyPath[] = L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\Card\\0000\\VYOHD";
const std::string kKeyLine = "[\\Registry\\Machine\\System\\CurrentControlSet\\Control\\Class\\Card\\0000\\VYOHD]\n";

class SettingsTest : public EngineTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OpenEmptyTestKey(kKeyPath, &m_key));
    }
    void TearDown() override
    {
        CloseTestKey(m_key);
        m_engine.reset();
        EngineTest::TearDown();
    }

    std::string Exported() const
    {
        std::string text;
        EXPECT_TRUE(sim::registry::Export(kKeyPath, &text));
        return text;
    }

    void Import(const std::string& values)
    {
        ASSERT_TRUE(sim::registry::Import("VASTUM REGISTRY 1\n" + kKeyLine + values).ok);
    }

    HANDLE m_key = nullptr;
    std::unique_ptr<Engine> m_engine = std::make_unique<Engine>();
};

TEST_F(SettingsTest, a_fresh_manager_saves_exactly_its_defaults_in_order)
{
    ASSERT_EQ(m_engine->manager->SaveSettings(m_key), STATUS_SUCCESS);
    EXPECT_EQ(Exported(), "VASTUM REGISTRY 1\n\n" + kKeyLine +
                              "\"Enable\"=dword:00000001\n"
                              "\"LimiterEnable\"=dword:00000001\n"
                              "\"ELEVOLevel\"=binary:cd cc cc 3e\n"    // 0.4f
                              "\"NitidaLevel\"=binary:cd cc cc 3f\n"   // 1.6f
                              "\"SubviaLevel\"=binary:9a 99 19 3f\n"   // 0.6f
                              "\"QELWidth\"=binary:cd cc 4c 3f\n"      // 0.8f
                              "\"InputGain\"=binary:00 00 80 3f\n"     // 1.0f
                              "\"OutputGain\"=binary:00 00 80 3f\n"    // 1.0f
                              "\"LimiterLevel\"=binary:00 00 40 3f\n"  // 0.75f
                              "\"CenterLevel\"=binary:00 00 00 3f\n"   // 0.5f
                              "\"QELSize\"=dword:00000000\n"
                              "\"SubviaSize\"=dword:00000000\n"
                              "\"QELMode\"=dword:00000002\n");
}

TEST_F(SettingsTest, saved_settings_load_into_a_new_manager_and_its_streams)
{
    Engine& source = *m_engine;
    ASSERT_EQ(source.manager->SetEnable(0), STATUS_SUCCESS);
    ASSERT_EQ(source.manager->SetNitidaLevel(3.5f), STATUS_SUCCESS);
    ASSERT_EQ(source.manager->SetInputGain(0.25f), STATUS_SUCCESS);
    ASSERT_EQ(source.manager->SetQELMode(1), STATUS_SUCCESS);
    ASSERT_EQ(source.manager->SetSubviaSize(6), STATUS_SUCCESS);
    ASSERT_EQ(source.manager->SetQELSize(1), STATUS_SUCCESS);
    ASSERT_EQ(source.manager->SaveSettings(m_key), STATUS_SUCCESS);

    Engine target;
    ASSERT_EQ(target.manager->LoadSettings(m_key), STATUS_SUCCESS);
    Parameters expected = ParametersOf(source.manager);
    expected.bypassGain = target.manager->GetBypassGain();  // not persisted
    EXPECT_EQ(ParametersOf(target.manager), expected);
    EXPECT_EQ(ParametersOf(target.StreamContext()), expected);
}

TEST_F(SettingsTest, load_skips_malformed_and_refused_values)
{
    Import("\"QELMode\"=dword:00000005\n"          // refused by the setter
           "\"InputGain\"=dword:3f000000\n"        // a float's bytes, but as REG_DWORD
           "\"QELWidth\"=binary:00 00 00 3f 00 00 00 00\n"  // 8 bytes
           "\"SubviaLevel\"=binary:00 00 c0 3f\n"  // 1.5, above the level range
           "\"LimiterEnable\"=binary:00 00 00 00\n"  // a switch as REG_BINARY
           "\"Enable\"=dword:00000007\n"           // any nonzero value switches on
           "\"SubviaSize\"=dword:00000003\n"
           "\"CenterLevel\"=binary:00 00 80 3e\n");  // 0.25
    const Parameters before = ParametersOf(m_engine->manager);
    ASSERT_EQ(m_engine->manager->LoadSettings(m_key), STATUS_SUCCESS);
    Parameters expected = before;
    expected.subviaSize = 3;
    expected.centerLevel = 0.25f;
    EXPECT_EQ(ParametersOf(m_engine->manager), expected);
    EXPECT_EQ(ParametersOf(m_engine->StreamContext()), expected);
}

TEST_F(SettingsTest, without_the_floating_point_state_only_the_floats_are_skipped)
{
    ASSERT_EQ(m_engine->manager->SetQELMode(3), STATUS_SUCCESS);
    sim::fpu::FailNextSaves(1);
    ASSERT_EQ(m_engine->manager->SaveSettings(m_key), STATUS_SUCCESS);
    EXPECT_EQ(Exported(), "VASTUM REGISTRY 1\n\n" + kKeyLine +
                              "\"Enable\"=dword:00000001\n"
                              "\"LimiterEnable\"=dword:00000001\n"
                              "\"QELSize\"=dword:00000000\n"
                              "\"SubviaSize\"=dword:00000000\n"
                              "\"QELMode\"=dword:00000003\n");

    Import("\"CenterLevel\"=binary:00 00 80 3e\n\"LimiterEnable\"=dword:00000000\n");
    sim::fpu::FailNextSaves(1);
    ASSERT_EQ(m_engine->manager->LoadSettings(m_key), STATUS_SUCCESS);
    EXPECT_EQ(m_engine->manager->GetLimiterEnable(), 0);
    EXPECT_EQ(m_engine->manager->GetCenterLevel(), 0.5f);
}

}  // namespace
