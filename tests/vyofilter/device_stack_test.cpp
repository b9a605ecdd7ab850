// The filter device in the card's stack: it looks to the drivers above as
// the card does, it needs both engines, it lets every request it does not
// handle through unchanged, and its removal waits for the requests in
// flight before it goes down.

#include <atomic>
#include <chrono>
#include <thread>

#include "filter_machine.h"
#include "probe_control.h"
#include "sim/machine.h"
#include "sim/pool.h"

namespace filtertest {
namespace {

class DeviceStack : public FilterMachine {
protected:
    // The device objects of the card's stack, bottom first.
    std::vector<PDEVICE_OBJECT> Stack(const std::wstring& instance = vcard::kCardInstance)
    {
        std::vector<PDEVICE_OBJECT> stack;
        for (PDEVICE_OBJECT device = sim::machine::PhysicalDevice(instance); device != nullptr;
             device = device->AttachedDevice) {
            stack.push_back(device);
        }
        return stack;
    }

    sim::machine::DeviceInfo Card(const std::wstring& instance = vcard::kCardInstance)
    {
        for (const auto& device : sim::machine::Devices()) {
            if (device.instanceId == instance) {
                return device;
            }
        }
        ADD_FAILURE() << "the card is installed";
        return {};
    }
};

TEST_F(DeviceStack, the_filter_device_presents_the_card_s_type_characteristics_and_buffer_flags)
{
    InstallCard();
    const auto stack = Stack();
    ASSERT_EQ(stack.size(), 3u) << "bus device, card, filter";
    PDEVICE_OBJECT card = stack[1];
    PDEVICE_OBJECT filter = stack[2];
    EXPECT_EQ(filter->DeviceType, card->DeviceType);
    EXPECT_EQ(filter->Characteristics, card->Characteristics);
    const ULONG copied = DO_BUFFERED_IO | DO_DIRECT_IO | DO_POWER_PAGABLE | DO_POWER_INRUSH;
    EXPECT_EQ(filter->Flags & copied, card->Flags & copied);
    EXPECT_EQ(filter->Flags & DO_DEVICE_INITIALIZING, 0u);
    EXPECT_EQ(filter->StackSize, card->StackSize + 1);
}

// Pool allocation of either manager fails: the device does not start, and
// the other manager, the filter device and its streams are all gone.
TEST_F(DeviceStack, a_missing_engine_fails_the_device_and_leaves_no_pool_behind)
{
    const struct {
        const char* tag;
        const wchar_t* instance;
    } cases[] = {{"VYOm", L"ROOT\\MEDIA\\0000"}, {"KOVA", L"ROOT\\MEDIA\\0001"}};
    for (const auto& c : cases) {
        sim::pool::FailTag(sim::pool::TagFromText(c.tag));
        InstallCard({}, c.instance);
        sim::pool::ClearFaults();
        const auto card = Card(c.instance);
        EXPECT_FALSE(card.started) << c.tag;
        EXPECT_EQ(card.problem, STATUS_INSUFFICIENT_RESOURCES) << c.tag;
        for (const char* engineTag : {"VYOm", "VYOC", "KOVA"}) {
            EXPECT_EQ(sim::pool::Usage(engineTag).liveBlocks, 0u) << "pool tag " << engineTag << " after " << c.tag;
        }
        EXPECT_EQ(Stack(c.instance).size(), 1u) << "nothing is attached to the bus device";
        EXPECT_EQ(sim::machine::EnableDevice(c.instance), STATUS_SUCCESS) << "with both engines it starts";
        EXPECT_TRUE(Card(c.instance).started);
        EXPECT_EQ(sim::machine::DisableDevice(c.instance), STATUS_SUCCESS);
    }
}

// An internal device control, which the filter does not handle, arrives at
// the driver below with everything as the requester sent it, in the
// requester's own thread.
TEST_F(DeviceStack, requests_the_filter_does_not_handle_reach_the_card_unchanged)
{
    InstallCard({L"vfprobe"});
    ProbeControl probe;
    probe.Reset();
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(sim::machine::PhysicalDevice(vcard::kCardInstance));
    UCHAR input[12] = {1, 2, 3};
    UCHAR output[20] = {};
    KEVENT done;
    IO_STATUS_BLOCK ioStatus{};
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    const ULONG code = CTL_CODE(FILE_DEVICE_KS, 0x123, METHOD_NEITHER, FILE_ANY_ACCESS);
    PIRP irp = IoBuildDeviceIoControlRequest(code, top, input, sizeof input, output, sizeof output, TRUE, &done,
                                             &ioStatus);
    ASSERT_NE(irp, nullptr);
    const NTSTATUS status = IofCallDriver(top, irp);
    EXPECT_EQ(status, STATUS_INVALID_DEVICE_REQUEST) << "the card's own answer";
    const auto records = probe.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].MajorFunction, IRP_MJ_INTERNAL_DEVICE_CONTROL);
    EXPECT_EQ(records[0].IoControlCode, code);
    EXPECT_EQ(records[0].Type3InputBuffer, input);
    EXPECT_EQ(records[0].InputBufferLength, sizeof input);
    EXPECT_EQ(records[0].UserBuffer, output);
    EXPECT_EQ(records[0].OutputBufferLength, sizeof output);
    EXPECT_EQ(records[0].Thread, KeGetCurrentThread());
    ObDereferenceObject(top);
}

// A write-stream request is held below the filter while the card is
// disabled: the removal reaches the driver below only after that request
// has come back up through the filter.
TEST_F(DeviceStack, removal_waits_for_the_requests_in_flight_before_it_goes_down)
{
    InstallCard({L"vfprobe"});
    InstallCard({}, L"ROOT\\MEDIA\\0001");  // keeps the filter's library loaded throughout
    ProbeControl probe;
    probe.Reset(true);
    PDEVICE_OBJECT top = IoGetAttachedDeviceReference(sim::machine::PhysicalDevice(vcard::kCardInstance));

    std::thread writer([top] {
        KSSTREAM_HEADER header{};
        KEVENT done;
        IO_STATUS_BLOCK ioStatus{};
        KeInitializeEvent(&done, NotificationEvent, FALSE);
        PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_KS_WRITE_STREAM, top, nullptr, 0, &header, sizeof header,
                                                 FALSE, &done, &ioStatus);
        if (irp != nullptr && IofCallDriver(top, irp) == STATUS_PENDING) {
            KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, nullptr);
        }
    });
    ASSERT_TRUE(probe.WaitForHeldWrite(5000)) << "the write reached the probe";
    std::atomic<bool> removed{false};
    std::thread remover([&] {
        EXPECT_EQ(sim::machine::DisableDevice(vcard::kCardInstance), STATUS_SUCCESS);
        removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(removed) << "the removal waits for the write";
    probe.ReleaseWrites();
    writer.join();
    remover.join();

    std::vector<UCHAR> seen;
    for (const auto& record : probe.Records()) {
        if (record.MajorFunction == IRP_MJ_DEVICE_CONTROL ||
            (record.MajorFunction == IRP_MJ_PNP && record.MinorFunction == IRP_MN_REMOVE_DEVICE)) {
            seen.push_back(record.MajorFunction);
        }
    }
    const std::vector<UCHAR> expected = {IRP_MJ_DEVICE_CONTROL, IRP_MJ_DEVICE_CONTROL, IRP_MJ_PNP};
    EXPECT_EQ(seen, expected) << "the write arrives and leaves, then the removal arrives";
    ObDereferenceObject(top);
}

}  // namespace
}  // namespace filtertest
