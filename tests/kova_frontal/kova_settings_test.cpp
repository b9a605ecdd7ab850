// The KOVA parameters in the registry: what a save writes, what a load
// accepts, and a floating-point state that cannot be saved.

#include <gtest/gtest.h>
#include <wdm.h>

#include <string>

#include "kova_test_support.h"
#include "sim/fpu.h"
#include "sim/registry.h"
#include "test_registry_key.h"

namespace {

const wchar_t kKeyPath[] = L"\\Registry\\Machine\\Software\\Vastum\\KOVA";
const std::string kHeader = "VASTUM REGISTRY 1\n";
const std::string kKeyLine = "[\\Registry\\Machine\\Software\\Vastum\\KOVA]\n";

// The persisted parameters as the manager's getters name them.
struct Persisted {
    int enable, headphone, elevoEnable, subviaEnable, subviaSubEnable;
    float elevoLevel, subviaLevel, inputGain, outputGain, subviaSubLevel;
    LONG kvhdMode;
    ULONG subviaSize, subviaSubSize;
    LONG outputMode;
    bool operator==(const Persisted&) const = default;
};

Persisted PersistedOf(KOVAManager* m)
{
    return {m->GetEnable(),     m->GetHeadphone(),  m->GetElevoEnable(),   m->GetSubviaEnable(),
            m->GetSubviaSubEnable(), m->GetElevoLevel(), m->GetSubviaLevel(), m->GetInputGain(),
            m->GetOutputGain(), m->GetSubviaSubLevel(), m->GetKVHDMode(),  m->GetSubviaSize(),
            m->GetSubviaSubSize(), m->GetOutputMode()};
}

class KOVASettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OpenEmptyTestKey(kKeyPath, &m_key));
    }
    void TearDown() override
    {
        CloseTestKey(m_key);
        sim::fpu::ClearFaults();
    }

    std::string Exported() const
    {
        std::string text;
        EXPECT_TRUE(sim::registry::Export(kKeyPath, &text));
        return text;
    }

    void Import(const std::string& values) { ASSERT_TRUE(sim::registry::Import(kHeader + kKeyLine + values).ok); }

    HANDLE m_key = nullptr;
    ManagerWithStreams m_engine;
};

TEST_F(KOVASettingsTest, a_fresh_manager_saves_exactly_its_defaults_in_order)
{
    ASSERT_EQ(m_engine.manager->SaveSettings(m_key), STATUS_SUCCESS);
    EXPECT_EQ(Exported(), kHeader + "\n" + kKeyLine +
                              "\"Enable\"=dword:00000001\n"
                              "\"Headphone\"=dword:00000000\n"
                              "\"ElevoEnable\"=dword:00000001\n"
                              "\"SubviaEnable\"=dword:00000001\n"
                              "\"SubviaSubEnable\"=dword:00000001\n"
                              "\"ElevoLevel\"=binary:00 00 00 3f\n"      // 0.5f
                              "\"SubviaLevel\"=binary:9a 99 19 3f\n"     // 0.6f
                              "\"InputGain\"=binary:00 00 80 3f\n"       // 1.0f
                              "\"OutputGain\"=binary:00 00 80 3f\n"      // 1.0f
                              "\"SubviaSubLevel\"=binary:9a 99 19 3f\n"  // 0.6f
                              "\"KVHDMode\"=dword:00000008\n"
                              "\"SubviaSize\"=dword:00000001\n"
                              "\"SubviaSubSize\"=dword:00000000\n"
                              "\"OutputMode\"=dword:00000000\n");
}

TEST_F(KOVASettingsTest, saved_settings_load_into_a_new_manager_and_its_streams)
{
    KOVAManagerObject* source = m_engine.manager;
    source->SetHeadphone(1);
    source->SetSubviaSubEnable(0);
    ASSERT_EQ(source->SetElevoLevel(0.25f), STATUS_SUCCESS);
    ASSERT_EQ(source->SetOutputGain(1.5f), STATUS_SUCCESS);
    ASSERT_EQ(source->SetKVHDMode(3), STATUS_SUCCESS);
    ASSERT_EQ(source->SetSubviaSubSize(7), STATUS_SUCCESS);
    ASSERT_EQ(source->SetOutputMode(5), STATUS_SUCCESS);
    ASSERT_EQ(source->SaveSettings(m_key), STATUS_SUCCESS);

    ManagerWithStreams target;
    KOVAStreamObject* stream = target.AddFormattedStream(48000, 16, 2, 0x3);
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(target.manager->LoadSettings(m_key), STATUS_SUCCESS);
    EXPECT_EQ(PersistedOf(target.manager), PersistedOf(source));
    EXPECT_EQ(stream->State().core.mode.Load(), 3u) << "a loaded value reaches the streams";
    EXPECT_EQ(stream->State().subviaSub.size.Load(), 7u);
}

TEST_F(KOVASettingsTest, load_skips_malformed_and_refused_values)
{
    Import("\"SubviaSize\"=dword:00000009\n"              // refused by the setter
           "\"InputGain\"=dword:3f000000\n"               // a float's bytes, but as REG_DWORD
           "\"ElevoLevel\"=binary:00 00 80 3e 00\n"       // 5 bytes
           "\"OutputMode\"=dword:ffffffff\n"              // -1, refused
           "\"Headphone\"=dword:00000002\n"               // any nonzero value switches on
           "\"SubviaSubLevel\"=binary:00 00 80 3e\n");    // 0.25
    Persisted expected = PersistedOf(m_engine.manager);
    ASSERT_EQ(m_engine.manager->LoadSettings(m_key), STATUS_SUCCESS);
    expected.headphone = 1;
    expected.subviaSubLevel = 0.25f;
    EXPECT_EQ(PersistedOf(m_engine.manager), expected);
}

TEST_F(KOVASettingsTest, without_the_floating_point_state_only_the_floats_are_skipped)
{
    sim::fpu::FailNextSaves(1);
    ASSERT_EQ(m_engine.manager->SaveSettings(m_key), STATUS_SUCCESS);
    const std::string saved = Exported();
    EXPECT_EQ(saved.find("Level"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Gain"), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"OutputMode\"=dword:00000000"), std::string::npos) << saved;

    Import("\"ElevoLevel\"=binary:00 00 80 3e\n\"Enable\"=dword:00000000\n");
    sim::fpu::FailNextSaves(1);
    ASSERT_EQ(m_engine.manager->LoadSettings(m_key), STATUS_SUCCESS);
    EXPECT_EQ(m_engine.manager->GetEnable(), 0);
    EXPECT_EQ(m_engine.manager->GetElevoLevel(), 0.5f);
    EXPECT_EQ(sim::fpu::OutstandingSaves(), 0);
}

}  // namespace
