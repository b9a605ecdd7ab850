// Reading and writing single registry values: the 4-byte rule, the size
// probe and the paged query buffer.

#include <gtest/gtest.h>
#include <wdm.h>

#include <cstring>
#include <vector>

#include "registry_values.h"
#include "sim/pool.h"
#include "sim/registry.h"
#include "test_registry_key.h"

namespace {

const wchar_t kKeyPath[] = L"\\Registry\\Machine\\Software\\VastumTest";

std::vector<std::uint8_t> Bytes(const void* data, std::size_t length)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return {bytes, bytes + length};
}

class RegistryValuesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(OpenEmptyTestKey(kKeyPath, &m_key));
    }
    void TearDown() override
    {
        CloseTestKey(m_key);
        sim::registry::ClearFaults();
        sim::pool::ClearFaults();
        EXPECT_EQ(sim::pool::Usage(kRegistryQueryTag).liveBlocks, 0u) << "query buffers are freed";
    }

    static void Store(const wchar_t* name, std::uint32_t type, std::vector<std::uint8_t> data)
    {
        ASSERT_TRUE(sim::registry::SetValue(kKeyPath, name, type, data));
    }

    HANDLE m_key = nullptr;
};

TEST_F(RegistryValuesTest, a_value_is_read_only_with_the_expected_type_and_exactly_four_bytes)
{
    const ULONG seven = 7;
    const float half = 0.5f;
    const struct {
        const char* what;
        std::uint32_t type;
        std::vector<std::uint8_t> data;
        ULONG expectedType;
        bool found;
    } cases[] = {
        {"a REG_DWORD read as a dword", REG_DWORD, Bytes(&seven, 4), REG_DWORD, true},
        {"a 4-byte REG_BINARY read as a float", REG_BINARY, Bytes(&half, 4), REG_BINARY, true},
        {"a REG_DWORD where a float is expected", REG_DWORD, Bytes(&seven, 4), REG_BINARY, false},
        {"a REG_BINARY where a dword is expected", REG_BINARY, Bytes(&half, 4), REG_DWORD, false},
        {"8 bytes of REG_BINARY", REG_BINARY, {0, 0, 0, 0x3f, 0, 0, 0, 0}, REG_BINARY, false},
        {"3 bytes of REG_BINARY", REG_BINARY, {0, 0, 0x3f}, REG_BINARY, false},
        {"an empty REG_DWORD", REG_DWORD, {}, REG_DWORD, false},
    };
    for (const auto& c : cases) {
        Store(L"Value", c.type, c.data);
        UCHAR out[4] = {0xAB, 0xAB, 0xAB, 0xAB};
        EXPECT_EQ(ReadRegistryValue(m_key, L"Value", out, c.expectedType), c.found ? TRUE : FALSE) << c.what;
        if (c.found) {
            EXPECT_EQ(Bytes(out, 4), c.data) << c.what;
        } else {
            EXPECT_EQ(Bytes(out, 4), (std::vector<std::uint8_t>{0xAB, 0xAB, 0xAB, 0xAB})) << c.what << ": untouched";
        }
    }
    ULONG untouched = 99;
    EXPECT_FALSE(ReadRegistryDword(m_key, L"Missing", &untouched));
    EXPECT_EQ(untouched, 99u);
}

TEST_F(RegistryValuesTest, a_failed_query_or_allocation_reads_as_not_found)
{
    const ULONG seven = 7;
    Store(L"Value", REG_DWORD, Bytes(&seven, 4));
    ULONG out = 99;

    sim::registry::FailNext(sim::registry::Operation::QueryValue, 1);
    EXPECT_FALSE(ReadRegistryDword(m_key, L"Value", &out)) << "the size probe fails";
    sim::pool::FailTag(kRegistryQueryTag);
    EXPECT_FALSE(ReadRegistryDword(m_key, L"Value", &out)) << "no query buffer";
    sim::pool::ClearFaults();
    EXPECT_EQ(out, 99u);

    const auto queriesBefore = sim::pool::Usage(kRegistryQueryTag).totalAllocations;
    EXPECT_TRUE(ReadRegistryDword(m_key, L"Value", &out));
    EXPECT_EQ(out, 7u);
    EXPECT_EQ(sim::pool::Usage(kRegistryQueryTag).totalAllocations, queriesBefore + 1) << "one query buffer";
}

TEST_F(RegistryValuesTest, a_bool_is_any_nonzero_dword_and_zero_when_absent)
{
    const ULONG five = 5;
    const ULONG zero = 0;
    Store(L"On", REG_DWORD, Bytes(&five, 4));
    Store(L"Off", REG_DWORD, Bytes(&zero, 4));
    UCHAR flag = 7;
    EXPECT_TRUE(ReadRegistryBool(m_key, L"On", &flag));
    EXPECT_EQ(flag, 1);
    EXPECT_TRUE(ReadRegistryBool(m_key, L"Off", &flag));
    EXPECT_EQ(flag, 0);
    flag = 7;
    EXPECT_FALSE(ReadRegistryBool(m_key, L"Missing", &flag));
    EXPECT_EQ(flag, 0);
}

TEST_F(RegistryValuesTest, writers_store_a_dword_and_a_floats_four_bytes)
{
    ASSERT_EQ(WriteRegistryDword(m_key, L"QELMode", 2), STATUS_SUCCESS);
    ASSERT_EQ(WriteRegistryFloat(m_key, L"QELWidth", 0.8f), STATUS_SUCCESS);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(sim::registry::GetValue(kKeyPath, L"QELMode", &type, &data));
    EXPECT_EQ(type, static_cast<std::uint32_t>(REG_DWORD));
    EXPECT_EQ(data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
    ASSERT_TRUE(sim::registry::GetValue(kKeyPath, L"QELWidth", &type, &data));
    EXPECT_EQ(type, static_cast<std::uint32_t>(REG_BINARY));
    EXPECT_EQ(data, (std::vector<std::uint8_t>{0xcd, 0xcc, 0x4c, 0x3f})) << "0.8f, least significant byte first";

    sim::registry::FailNext(sim::registry::Operation::SetValue, 1, STATUS_ACCESS_DENIED);
    EXPECT_EQ(WriteRegistryDword(m_key, L"QELMode", 3), STATUS_ACCESS_DENIED);
}

}  // namespace
