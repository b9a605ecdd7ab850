// The registry routines, the text export format and the registry file of a
// state folder.

#include <gtest/gtest.h>
#include <wdm.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/registry.h"

namespace {

const wchar_t kParameters[] = L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\vyofilter\\Parameters";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { sim::registry::Reset(); }
    void TearDown() override
    {
        sim::registry::ClearFaults();
        sim::registry::Reset();
    }

    static NTSTATUS Open(const wchar_t* path, HANDLE* key, bool create = false)
    {
        UNICODE_STRING name;
        RtlInitUnicodeString(&name, path);
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, nullptr, nullptr);
        return create ? ZwCreateKey(key, KEY_ALL_ACCESS, &attributes, 0, nullptr, REG_OPTION_NON_VOLATILE, nullptr)
                      : ZwOpenKey(key, KEY_ALL_ACCESS, &attributes);
    }

    static NTSTATUS SetDword(HANDLE key, const wchar_t* valueName, ULONG value)
    {
        UNICODE_STRING name;
        RtlInitUnicodeString(&name, valueName);
        return ZwSetValueKey(key, &name, 0, REG_DWORD, &value, sizeof value);
    }
};

TEST_F(RegistryTest, a_value_written_through_a_key_handle_reads_back_with_its_type)
{
    sim::registry::SetValue(kParameters, L"Placeholder", REG_NONE, {});
    HANDLE key = nullptr;
    ASSERT_EQ(Open(kParameters, &key), STATUS_SUCCESS);
    ASSERT_EQ(SetDword(key, L"LoopedStreamingLookahead", 200), STATUS_SUCCESS);

    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"loopedstreaminglookahead");  // names are not case-sensitive
    ULONG needed = 0;
    EXPECT_EQ(ZwQueryValueKey(key, &name, KeyValuePartialInformation, nullptr, 0, &needed), STATUS_BUFFER_TOO_SMALL)
        << "the size probe";
    EXPECT_EQ(needed, FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data) + 4u);
    UCHAR buffer[64];
    EXPECT_EQ(ZwQueryValueKey(key, &name, KeyValuePartialInformation, buffer, needed - 1, &needed),
              STATUS_BUFFER_OVERFLOW);
    ASSERT_EQ(ZwQueryValueKey(key, &name, KeyValuePartialInformation, buffer, sizeof buffer, &needed),
              STATUS_SUCCESS);
    auto* info = reinterpret_cast<PKEY_VALUE_PARTIAL_INFORMATION>(buffer);
    EXPECT_EQ(info->Type, static_cast<ULONG>(REG_DWORD));
    ASSERT_EQ(info->DataLength, 4u);
    ULONG value = 0;
    memcpy(&value, info->Data, 4);
    EXPECT_EQ(value, 200u);

    RtlInitUnicodeString(&name, L"Missing");
    EXPECT_EQ(ZwQueryValueKey(key, &name, KeyValuePartialInformation, buffer, sizeof buffer, &needed),
              STATUS_OBJECT_NAME_NOT_FOUND);
    ZwClose(key);
}

TEST_F(RegistryTest, create_makes_only_the_last_component_and_delete_refuses_a_key_with_subkeys)
{
    HANDLE key = nullptr;
    EXPECT_EQ(Open(kParameters, &key, true), STATUS_OBJECT_NAME_NOT_FOUND) << "its parents do not exist";
    sim::registry::SetValue(L"\\Registry\\Machine\\Parent\\Child", L"x", REG_NONE, {});
    HANDLE parent = nullptr;
    ASSERT_EQ(Open(L"\\Registry\\Machine\\Parent", &parent), STATUS_SUCCESS);
    EXPECT_EQ(ZwDeleteKey(parent), STATUS_CANNOT_DELETE);

    HANDLE child = nullptr;
    ASSERT_EQ(Open(L"\\Registry\\Machine\\Parent\\Child", &child), STATUS_SUCCESS);
    ASSERT_EQ(ZwDeleteKey(child), STATUS_SUCCESS);
    EXPECT_EQ(SetDword(child, L"After", 1), STATUS_KEY_DELETED) << "the handle outlives its key";
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, L"x");
    EXPECT_EQ(ZwDeleteValueKey(child, &valueName), STATUS_KEY_DELETED) << "the key's last value went with it";
    ZwClose(child);
    EXPECT_EQ(ZwDeleteKey(parent), STATUS_SUCCESS);
    ZwClose(parent);
    EXPECT_FALSE(sim::registry::KeyExists(L"\\Registry\\Machine\\Parent"));
}

TEST_F(RegistryTest, injected_failures_hit_the_named_operation_only)
{
    sim::registry::SetValue(kParameters, L"Placeholder", REG_NONE, {});
    HANDLE key = nullptr;
    ASSERT_EQ(Open(kParameters, &key), STATUS_SUCCESS);
    sim::registry::FailNext(sim::registry::Operation::SetValue, 1, STATUS_ACCESS_DENIED);
    EXPECT_EQ(SetDword(key, L"A", 1), STATUS_ACCESS_DENIED);
    EXPECT_EQ(SetDword(key, L"A", 1), STATUS_SUCCESS);
    ZwClose(key);
}

TEST_F(RegistryTest, every_kind_of_value_survives_an_export_and_an_import)
{
    const float level = 0.6f;
    std::vector<std::uint8_t> levelBytes(4);
    memcpy(levelBytes.data(), &level, 4);
    sim::registry::SetValue(kParameters, L"KVSubviaLevel", REG_BINARY, levelBytes);
    sim::registry::SetValue(kParameters, L"ProcMode", REG_DWORD, {1, 0, 0, 0});
    sim::registry::SetValue(kParameters, L"Desc \"quoted\" \\ é", REG_SZ, sim::registry::StringData(L"a\tb\nc"));
    sim::registry::SetValue(kParameters, L"UpperFilters", REG_MULTI_SZ,
                            sim::registry::MultiStringData({L"vyofilter", L"other"}));
    sim::registry::SetValue(kParameters, L"", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
    sim::registry::SetValue(kParameters, L"Torn", REG_SZ, {1, 2, 3});  // not a well-formed string

    std::string text;
    ASSERT_TRUE(sim::registry::Export(L"\\Registry\\Machine", &text));
    EXPECT_NE(text.find("\"ProcMode\"=dword:00000001"), std::string::npos) << text;
    EXPECT_NE(text.find("\"KVSubviaLevel\"=binary:9a 99 19 3f"), std::string::npos) << text;
    EXPECT_NE(text.find("\"UpperFilters\"=multi_sz:\"vyofilter\",\"other\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"Torn\"=hex(1):01 02 03"), std::string::npos) << text;

    sim::registry::Reset();
    const auto result = sim::registry::Import(text);
    ASSERT_TRUE(result.ok) << "line " << result.line << ": " << result.error;
    std::string again;
    sim::registry::Export(L"\\Registry\\Machine", &again);
    EXPECT_EQ(again, text);
}

TEST_F(RegistryTest, a_malformed_import_names_its_line_and_changes_nothing)
{
    const std::string text =
        "VASTUM REGISTRY 1\n"
        "[\\Registry\\Machine\\A]\n"
        "\"Good\"=dword:1\n"
        "\"Bad\"=dword:123456789\n";
    const auto result = sim::registry::Import(text);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 4u);
    EXPECT_FALSE(sim::registry::KeyExists(L"\\Registry\\Machine\\A"));
}

class RegistryFileTest : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        m_folder = std::filesystem::temp_directory_path() /
                   ("vastum-registry-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_folder);
    }
    void TearDown() override
    {
        std::filesystem::remove_all(m_folder);
        RegistryTest::TearDown();
    }

    void SaveWithProcMode(std::uint8_t mode)
    {
        sim::registry::SetValue(kParameters, L"ProcMode", REG_DWORD, {mode, 0, 0, 0});
        std::string error;
        ASSERT_TRUE(sim::registry::SaveTo(m_folder, &error)) << error;
    }

    static std::uint8_t ProcMode()
    {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        return sim::registry::GetValue(kParameters, L"ProcMode", &type, &data) ? data[0] : 0xFF;
    }

    std::filesystem::path m_folder;
};

TEST_F(RegistryFileTest, the_registry_survives_a_restart_of_the_machine)
{
    SaveWithProcMode(3);
    sim::registry::Reset();
    const auto report = sim::registry::LoadFrom(m_folder);
    EXPECT_TRUE(report.loaded);
    EXPECT_FALSE(report.usedPreviousCopy);
    EXPECT_EQ(ProcMode(), 3);
}

TEST_F(RegistryFileTest, a_torn_or_damaged_file_falls_back_to_the_last_good_copy_and_says_why)
{
    SaveWithProcMode(1);
    SaveWithProcMode(2);
    std::string contents;
    {
        std::ifstream in(sim::registry::CurrentFile(m_folder), std::ios::binary);
        std::ostringstream buffer;
        buffer << in.rdbuf();
        contents = buffer.str();
    }
    const struct {
        const char* what;
        std::string damaged;
        const char* reason;
    } cases[] = {
        {"torn write", contents.substr(0, contents.size() / 2), "cut short"},
        {"flipped byte", std::string(contents).replace(contents.find("00000002"), 8, "00000009"), "checksum"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            std::ofstream out(sim::registry::CurrentFile(m_folder), std::ios::binary | std::ios::trunc);
            out << c.damaged;
        }
        sim::registry::Reset();
        const auto report = sim::registry::LoadFrom(m_folder);
        EXPECT_TRUE(report.loaded);
        EXPECT_TRUE(report.usedPreviousCopy);
        ASSERT_EQ(report.problems.size(), 1u);
        EXPECT_NE(report.problems[0].find(c.reason), std::string::npos) << report.problems[0];
        EXPECT_EQ(ProcMode(), 1) << "the last good state";
    }
    // The next save must not let the damaged file replace the good copy.
    SaveWithProcMode(4);
    std::filesystem::remove(sim::registry::CurrentFile(m_folder));
    sim::registry::Reset();
    EXPECT_EQ((sim::registry::LoadFrom(m_folder), ProcMode()), 1);
}

}  // namespace
