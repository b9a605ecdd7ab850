// Plug and Play: stacks built from the registry's filter list by drivers
// loaded by service name, rebuilt on disable/enable, refused removal while a
// client holds a handle, interfaces with notifications, and the registry of
// the machine surviving a restart.

#include <gtest/gtest.h>
#include <wdm.h>

#include <filesystem>

#include "sim/machine.h"
#include "sim/pool.h"
#include "sim/process.h"
#include "sim/registry.h"
#include "sim/system_services.h"

namespace {

// {A7C4E1D2-1B2C-4D5E-8F90-112233445566}, the interface testfunction registers.
DEFINE_GUID(GUID_TEST_INTERFACE, 0xa7c4e1d2, 0x1b2c, 0x4d5e, 0x8f, 0x90, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66);

const std::wstring kInstance = L"ROOT\\MEDIA\\0000";
const std::wstring kHardwareKey =
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Enum\\ROOT\\MEDIA\\0000\\Device Parameters";

std::wstring Log(const wchar_t* value)
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    sim::registry::GetValue(kHardwareKey, value, &type, &data);
    return sim::registry::StringFromData(data);
}

void ClearLogs()
{
    for (const wchar_t* value : {L"AddDevice", L"Start", L"Power"}) {
        sim::registry::SetValue(kHardwareKey, value, REG_SZ, sim::registry::StringData(L""));
    }
}

// The names of the drivers from the bottom of the device's stack to its top.
std::vector<std::wstring> StackOf(const std::wstring& instance)
{
    std::vector<std::wstring> names;
    for (PDEVICE_OBJECT device = sim::machine::PhysicalDevice(instance)->AttachedDevice; device != nullptr;
         device = device->AttachedDevice) {
        const UNICODE_STRING& name = device->DriverObject->DriverName;
        names.emplace_back(name.Buffer, name.Length / sizeof(WCHAR));
    }
    return names;
}

class PlugAndPlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("vastum-pnp-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_folder);
        sim::machine::Boot({m_folder, {}});
        m_registration = sim::machine::RegisterInterfaceNotification(
            GUID_TEST_INTERFACE, [this](const sim::machine::InterfaceEvent& event) { m_events.push_back(event); });
    }

    void TearDown() override
    {
        sim::machine::UnregisterInterfaceNotification(m_registration);
        sim::machine::Shutdown();
        std::filesystem::remove_all(m_folder);
        EXPECT_EQ(sim::pool::Usage("Devi").liveBlocks, 0u) << "every device object is gone after shutdown";
    }

    void Install(std::vector<std::wstring> filters)
    {
        ASSERT_EQ(sim::machine::InstallDevice({kInstance, L"Test card", L"testfunction", std::move(filters)}),
                  STATUS_SUCCESS);
    }

    std::filesystem::path m_folder;
    int m_registration = 0;
    std::vector<sim::machine::InterfaceEvent> m_events;
};

TEST_F(PlugAndPlay, the_function_driver_comes_first_then_each_upper_filter_in_list_order)
{
    Install({L"testfiltera", L"testfilterb"});
    EXPECT_EQ(StackOf(kInstance),
              (std::vector<std::wstring>{L"\\Driver\\testfunction", L"\\Driver\\testfiltera", L"\\Driver\\testfilterb"}));
    EXPECT_EQ(Log(L"AddDevice"), L"testfunction testfiltera testfilterb ");
    EXPECT_EQ(Log(L"Start"), L"testfilterb testfiltera testfunction ") << "the start request goes down from the top";
    ASSERT_EQ(m_events.size(), 1u);
    EXPECT_TRUE(m_events[0].arrival);
    EXPECT_EQ(m_events[0].path, L"\\\\?\\ROOT#MEDIA#0000#{a7c4e1d2-1b2c-4d5e-8f90-112233445566}\\Wave");
}

TEST_F(PlugAndPlay, disable_and_enable_rebuild_the_stack_from_the_current_filter_list)
{
    Install({L"testfiltera"});
    ASSERT_EQ(sim::machine::SetUpperFilters(kInstance, {L"testfilterb", L"testfiltera"}), STATUS_SUCCESS);
    EXPECT_EQ(StackOf(kInstance).size(), 2u) << "a changed list waits for the next start";

    ASSERT_EQ(sim::machine::DisableDevice(kInstance), STATUS_SUCCESS);
    EXPECT_TRUE(StackOf(kInstance).empty());
    EXPECT_TRUE(sim::machine::InterfacePaths(GUID_TEST_INTERFACE).empty());
    ASSERT_EQ(m_events.size(), 2u);
    EXPECT_FALSE(m_events[1].arrival);

    ASSERT_EQ(sim::machine::EnableDevice(kInstance), STATUS_SUCCESS);
    EXPECT_EQ(StackOf(kInstance),
              (std::vector<std::wstring>{L"\\Driver\\testfunction", L"\\Driver\\testfilterb", L"\\Driver\\testfiltera"}));
    EXPECT_EQ(sim::machine::InterfacePaths(GUID_TEST_INTERFACE).size(), 1u);
}

TEST_F(PlugAndPlay, a_device_a_client_holds_open_cannot_be_disabled)
{
    Install({L"testfiltera"});
    sim::ClientProcess client("client");
    sim::ProcessScope scope(client);
    const std::wstring path = L"\\??\\" + sim::machine::InterfacePaths(GUID_TEST_INTERFACE)[0].substr(4);
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, path.c_str());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, 0, nullptr, nullptr);
    HANDLE file = nullptr;
    IO_STATUS_BLOCK status{};
    ASSERT_EQ(NtCreateFile(&file, GENERIC_READ | GENERIC_WRITE, &attributes, &status, nullptr, 0, 0, FILE_OPEN,
                           FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0),
              STATUS_SUCCESS);
    EXPECT_EQ(sim::machine::DisableDevice(kInstance), STATUS_DEVICE_BUSY);
    EXPECT_EQ(StackOf(kInstance).size(), 2u);
    NtClose(file);
    EXPECT_EQ(sim::machine::DisableDevice(kInstance), STATUS_SUCCESS);
}

TEST_F(PlugAndPlay, a_filter_that_cannot_be_loaded_keeps_the_device_from_starting)
{
    Install({L"nosuchfilter"});
    const auto devices = sim::machine::Devices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_FALSE(devices[0].started);
    EXPECT_EQ(devices[0].problem, STATUS_DRIVER_UNABLE_TO_LOAD);
    EXPECT_TRUE(StackOf(kInstance).empty()) << "what was built is removed again";
}

TEST_F(PlugAndPlay, a_power_request_goes_down_the_whole_stack)
{
    Install({L"testfiltera"});
    ClearLogs();
    ASSERT_EQ(sim::machine::SetDevicePower(kInstance, PowerDeviceD3), STATUS_SUCCESS);
    EXPECT_EQ(Log(L"Power"), L"testfiltera testfunction ");
}

TEST_F(PlugAndPlay, installed_devices_and_their_settings_survive_a_restart)
{
    Install({L"testfiltera"});
    sim::registry::SetValue(kHardwareKey, L"Kept", REG_DWORD, {7, 0, 0, 0});
    sim::machine::Shutdown();
    EXPECT_FALSE(sim::registry::KeyExists(kHardwareKey));
    ASSERT_TRUE(sim::machine::Boot({m_folder, {}}).registryLoaded);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    ASSERT_TRUE(sim::registry::GetValue(kHardwareKey, L"Kept", &type, &data));
    EXPECT_EQ(data[0], 7);
    EXPECT_EQ(StackOf(kInstance).size(), 2u) << "the device starts again at boot";
}

}  // namespace
