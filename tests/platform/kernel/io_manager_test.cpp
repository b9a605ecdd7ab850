// Requests through a stack of three devices: completion routines from the
// bottom up, pending requests, taking a request back, and remove locks.

#include <gtest/gtest.h>
#include <wdm.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sim/io.h"
#include "sim/pool.h"

namespace {

constexpr ULONG kTestIoctl = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_NEITHER, FILE_ANY_ACCESS);

// What the three test drivers share; a test sets it up before it sends.
struct StackLog {
    std::vector<std::string> completions;
    std::vector<PDEVICE_OBJECT> completionDevices;
    PIRP pendingAtBottom = nullptr;
    bool middleTakesRequestBack = false;
    PIRP takenBack = nullptr;
};
StackLog gLog;

struct LayerExtension {
    PDEVICE_OBJECT lower;
    const char* name;
};

NTSTATUS NTAPI RecordCompletion(PDEVICE_OBJECT device, PIRP irp, PVOID context)
{
    auto* layer = static_cast<LayerExtension*>(context);
    gLog.completions.push_back(layer->name);
    gLog.completionDevices.push_back(device);
    if (gLog.middleTakesRequestBack && std::string(layer->name) == "middle") {
        gLog.takenBack = irp;
        return STATUS_MORE_PROCESSING_REQUIRED;
    }
    if (irp->PendingReturned) {
        IoMarkIrpPending(irp);
    }
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI LayerDispatch(PDEVICE_OBJECT device, PIRP irp)
{
    auto* layer = static_cast<LayerExtension*>(device->DeviceExtension);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, RecordCompletion, layer, TRUE, TRUE, TRUE);
    return IoCallDriver(layer->lower, irp);
}

NTSTATUS NTAPI BottomDispatch(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    IoMarkIrpPending(irp);
    gLog.pendingAtBottom = irp;
    return STATUS_PENDING;
}

NTSTATUS NTAPI LayerEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = LayerDispatch;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI BottomEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = BottomDispatch;
    return STATUS_SUCCESS;
}

class ThreeDeviceStack : public ::testing::Test {
protected:
    void SetUp() override
    {
        gLog = StackLog{};
        ASSERT_EQ(sim::io::LoadDriver(L"bottom", BottomEntry, &m_bottomDriver), STATUS_SUCCESS);
        ASSERT_EQ(sim::io::LoadDriver(L"layers", LayerEntry, &m_layerDriver), STATUS_SUCCESS);
        ASSERT_EQ(IoCreateDevice(m_bottomDriver, 0, nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE, &m_bottom),
                  STATUS_SUCCESS);
        m_middle = AddLayer("middle");
        m_top = AddLayer("top");
    }

    void TearDown() override
    {
        for (PDEVICE_OBJECT device : {m_top, m_middle}) {
            IoDetachDevice(static_cast<LayerExtension*>(device->DeviceExtension)->lower);
            IoDeleteDevice(device);
        }
        IoDeleteDevice(m_bottom);
        sim::io::UnloadDriver(m_layerDriver);
        sim::io::UnloadDriver(m_bottomDriver);
        EXPECT_EQ(sim::pool::Usage("Irp ").liveBlocks, 0u) << "every request is freed after completion";
        EXPECT_EQ(sim::pool::Usage("Devi").liveBlocks, 0u) << "every device object is freed";
    }

    PDEVICE_OBJECT AddLayer(const char* name)
    {
        PDEVICE_OBJECT device = nullptr;
        EXPECT_EQ(IoCreateDevice(m_layerDriver, sizeof(LayerExtension), nullptr, FILE_DEVICE_UNKNOWN, 0, FALSE,
                                 &device),
                  STATUS_SUCCESS);
        auto* layer = static_cast<LayerExtension*>(device->DeviceExtension);
        layer->name = name;
        layer->lower = IoAttachDeviceToDeviceStack(device, m_bottom);
        return device;
    }

    PIRP BuildRequest(KEVENT* event, IO_STATUS_BLOCK* status)
    {
        KeInitializeEvent(event, NotificationEvent, FALSE);
        return IoBuildDeviceIoControlRequest(kTestIoctl, m_top, nullptr, 0, nullptr, 0, FALSE, event, status);
    }

    PDRIVER_OBJECT m_bottomDriver = nullptr;
    PDRIVER_OBJECT m_layerDriver = nullptr;
    PDEVICE_OBJECT m_bottom = nullptr;
    PDEVICE_OBJECT m_middle = nullptr;
    PDEVICE_OBJECT m_top = nullptr;
};

TEST_F(ThreeDeviceStack, attaching_counts_the_stack_locations_a_request_needs)
{
    EXPECT_EQ(m_bottom->StackSize, 1);
    EXPECT_EQ(m_middle->StackSize, 2);
    EXPECT_EQ(m_top->StackSize, 3);
    EXPECT_EQ(m_bottom->AttachedDevice, m_middle);
    EXPECT_EQ(m_middle->AttachedDevice, m_top);
}

TEST_F(ThreeDeviceStack, a_pending_request_completes_from_the_bottom_up_into_the_callers_event)
{
    KEVENT event;
    IO_STATUS_BLOCK status{};
    PIRP irp = BuildRequest(&event, &status);
    ASSERT_NE(irp, nullptr);
    ASSERT_EQ(IoCallDriver(m_top, irp), STATUS_PENDING);
    ASSERT_NE(gLog.pendingAtBottom, nullptr);
    EXPECT_EQ(KeReadStateEvent(&event), 0) << "nothing completes while the bottom device holds the request";

    std::thread completer([] {
        gLog.pendingAtBottom->IoStatus.Status = STATUS_SUCCESS;
        gLog.pendingAtBottom->IoStatus.Information = 42;
        IoCompleteRequest(gLog.pendingAtBottom, IO_NO_INCREMENT);
    });
    KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, nullptr);
    completer.join();

    EXPECT_EQ(status.Status, STATUS_SUCCESS);
    EXPECT_EQ(status.Information, 42u);
    EXPECT_EQ(gLog.completions, (std::vector<std::string>{"middle", "top"}));
    // A completion routine gets the device of the driver that set it.
    EXPECT_EQ(gLog.completionDevices, (std::vector<PDEVICE_OBJECT>{m_middle, m_top}));
}

TEST_F(ThreeDeviceStack, a_routine_that_takes_the_request_back_stops_completion_until_it_completes_again)
{
    gLog.middleTakesRequestBack = true;
    KEVENT event;
    IO_STATUS_BLOCK status{};
    PIRP irp = BuildRequest(&event, &status);
    ASSERT_EQ(IoCallDriver(m_top, irp), STATUS_PENDING);
    gLog.pendingAtBottom->IoStatus.Status = STATUS_INVALID_PARAMETER;
    IoCompleteRequest(gLog.pendingAtBottom, IO_NO_INCREMENT);

    EXPECT_EQ(gLog.completions, (std::vector<std::string>{"middle"}));
    EXPECT_EQ(KeReadStateEvent(&event), 0);
    ASSERT_EQ(gLog.takenBack, irp);

    gLog.middleTakesRequestBack = false;
    IoCompleteRequest(gLog.takenBack, IO_NO_INCREMENT);
    EXPECT_EQ(gLog.completions, (std::vector<std::string>{"middle", "top"}));
    EXPECT_EQ(KeReadStateEvent(&event), 1);
    EXPECT_EQ(status.Status, STATUS_INVALID_PARAMETER);
}

TEST(RemoveLock, removal_waits_until_every_holder_has_released)
{
    IO_REMOVE_LOCK lock;
    IoInitializeRemoveLock(&lock, 0, 0, 255);
    ASSERT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_SUCCESS);  // the remover's own hold
    ASSERT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_SUCCESS);  // a request in flight

    std::atomic<bool> removed{false};
    std::thread remover([&] {
        IoReleaseRemoveLockAndWait(&lock, nullptr);
        removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(removed) << "the removal must wait for the request in flight";
    EXPECT_EQ(IoAcquireRemoveLock(&lock, nullptr), STATUS_DELETE_PENDING) << "no new request gets in";

    IoReleaseRemoveLock(&lock, nullptr);
    remover.join();
    EXPECT_TRUE(removed);
}

TEST(RemoveLockDeathTest, releasing_more_often_than_acquiring_stops_the_machine)
{
    IO_REMOVE_LOCK lock;
    IoInitializeRemoveLock(&lock, 0, 0, 255);
    EXPECT_DEATH(IoReleaseRemoveLock(&lock, nullptr), "REMOVE_LOCK_UNDERFLOW");
}

}  // namespace
