// The table-driven save and load of parameters.

#include <gtest/gtest.h>
#include <wdm.h>

#include <vector>

#include "parameter_persistence.h"
#include "sim/fpu.h"
#include "sim/registry.h"
#include "test_knobs.h"
#include "test_registry_key.h"

namespace {

const wchar_t kKeyPath[] = L"\\Registry\\Machine\\Software\\VastumTest";

constexpr BoolParameter<TestKnobs, UCHAR> kSwitches[] = {
    {L"Flag", &TestKnobs::GetFlag, &TestKnobs::SetFlag},
};
constexpr FloatParameter<TestKnobs> kLevels[] = {
    {L"Level", &TestKnobs::GetLevel, &TestKnobs::SetLevel},
    {L"Gain", &TestKnobs::GetGain, &TestKnobs::SetGain},
};

class ParameterPersistenceTest : public ::testing::Test {
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

    void SaveAll(TestKnobs& knobs)
    {
        SaveBoolParameters(m_key, &knobs, kSwitches, ARRAYSIZE(kSwitches));
        SaveFloatParameters(m_key, &knobs, kLevels, ARRAYSIZE(kLevels));
    }
    void LoadAll(TestKnobs& knobs)
    {
        LoadBoolParameters(m_key, &knobs, kSwitches, ARRAYSIZE(kSwitches));
        LoadFloatParameters(m_key, &knobs, kLevels, ARRAYSIZE(kLevels));
    }

    static std::vector<std::uint8_t> Stored(const wchar_t* name, std::uint32_t expectedType)
    {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        EXPECT_TRUE(sim::registry::GetValue(kKeyPath, name, &type, &data));
        EXPECT_EQ(type, expectedType);
        return data;
    }

    HANDLE m_key = nullptr;
};

TEST_F(ParameterPersistenceTest, saved_parameters_load_back_through_the_setters)
{
    TestKnobs saved;
    saved.flag = 0;
    saved.level = 0.25f;
    saved.gain = 1.5f;
    SaveAll(saved);
    EXPECT_EQ(Stored(L"Flag", REG_DWORD), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(Stored(L"Level", REG_BINARY), (std::vector<std::uint8_t>{0, 0, 0x80, 0x3e}));
    EXPECT_EQ(Stored(L"Gain", REG_BINARY), (std::vector<std::uint8_t>{0, 0, 0xc0, 0x3f}));

    TestKnobs loaded;
    LoadAll(loaded);
    EXPECT_EQ(loaded.flag, 0);
    EXPECT_EQ(loaded.level, 0.25f);
    EXPECT_EQ(loaded.gain, 1.5f);
    EXPECT_EQ(loaded.setterCalls, 3);
}

TEST_F(ParameterPersistenceTest, load_skips_missing_malformed_and_refused_values)
{
    const float tooLoud = 3.0f;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&tooLoud);
    sim::registry::SetValue(kKeyPath, L"Flag", REG_BINARY, {1, 0, 0, 0});          // wrong type
    sim::registry::SetValue(kKeyPath, L"Gain", REG_BINARY, {bytes, bytes + 4});  // refused by the setter
    TestKnobs knobs;
    LoadAll(knobs);
    EXPECT_EQ(knobs.flag, 1);
    EXPECT_EQ(knobs.level, 0.5f) << "no value";
    EXPECT_EQ(knobs.gain, 1.0f) << "3.0 is above the gain range";
    EXPECT_EQ(knobs.setterCalls, 1) << "only the well-formed gain reached a setter";
}

TEST_F(ParameterPersistenceTest, without_the_floating_point_state_floats_are_neither_saved_nor_loaded)
{
    TestKnobs knobs;
    sim::fpu::FailNextSaves(1);
    SaveAll(knobs);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_TRUE(sim::registry::GetValue(kKeyPath, L"Flag", &type, &data)) << "switches are still saved";
    EXPECT_FALSE(sim::registry::GetValue(kKeyPath, L"Level", &type, &data));

    SaveAll(knobs);
    TestKnobs other;
    other.flag = 0;
    other.level = 0.1f;
    sim::fpu::FailNextSaves(1);
    LoadAll(other);
    EXPECT_EQ(other.flag, 1) << "switches are still loaded";
    EXPECT_EQ(other.level, 0.1f);
    EXPECT_EQ(sim::fpu::OutstandingSaves(), 0);
}

}  // namespace
