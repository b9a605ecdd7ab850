// AddDevice on its own, for what the machine cannot make happen on cue: a
// stack that goes away while the filter attaches, and a floating-point
// state that cannot be saved while the engines are made.

#include <gtest/gtest.h>

#include "filter_device.h"
#include "sim/fpu.h"
#include "sim/io.h"
#include "sim/pool.h"

namespace {

NTSTATUS NTAPI BusEntry(PDRIVER_OBJECT, PUNICODE_STRING)
{
    return STATUS_SUCCESS;
}

class AddDeviceAlone : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(sim::io::LoadDriver(L"vfbus", BusEntry, &m_bus), STATUS_SUCCESS);
        ASSERT_EQ(IoCreateDevice(m_bus, 0, nullptr, FILE_DEVICE_BUS_EXTENDER, 0, FALSE, &m_pdo), STATUS_SUCCESS);
        ASSERT_EQ(sim::io::LoadDriver(L"vyofilter", DriverEntry, &m_filter), STATUS_SUCCESS);
    }

    void TearDown() override
    {
        sim::fpu::ClearFaults();
        EXPECT_EQ(m_filter->DeviceObject, nullptr) << "no filter device is left";
        for (const char* tag : {"VFsc", "ELI ", "VYOm", "VYOC", "VYOS", "KOVA", "KPin"}) {
            EXPECT_EQ(sim::pool::Usage(tag).liveBlocks, 0u) << "blocks of pool tag " << tag << " left";
        }
        sim::io::UnloadDriver(m_filter);
        if (!m_pdoDeleted) {
            IoDeleteDevice(m_pdo);
        }
        sim::io::UnloadDriver(m_bus);
    }

    PDRIVER_OBJECT m_bus = nullptr;
    PDRIVER_OBJECT m_filter = nullptr;
    PDEVICE_OBJECT m_pdo = nullptr;
    bool m_pdoDeleted = false;
};

TEST_F(AddDeviceAlone, a_stack_that_is_going_away_fails_the_attach_and_leaves_nothing_behind)
{
    ObReferenceObject(m_pdo);  // the object stays; its deletion is pending
    IoDeleteDevice(m_pdo);
    m_pdoDeleted = true;
    EXPECT_EQ(m_filter->DriverExtension->AddDevice(m_filter, m_pdo), STATUS_DEVICE_REMOVED);
    EXPECT_EQ(m_pdo->AttachedDevice, nullptr);
    ObDereferenceObject(m_pdo);
}

TEST_F(AddDeviceAlone, no_engines_without_a_saved_floating_point_state)
{
    sim::fpu::FailNextSaves(1);
    EXPECT_EQ(m_filter->DriverExtension->AddDevice(m_filter, m_pdo), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(m_pdo->AttachedDevice, nullptr);
}

}  // namespace
