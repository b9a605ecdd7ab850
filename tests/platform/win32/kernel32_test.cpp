// The user-mode calls of a client process: handles of its own, devices
// opened by name, control requests with the platform's buffer conventions
// and error codes, pending requests, and waits.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "sim/io.h"
#include "sim/process.h"

namespace {

// A device "\Device\Echo" (link "Echo") of a driver built into the test.
constexpr ULONG kEcho = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_NEITHER, FILE_ANY_ACCESS);
constexpr ULONG kCompleteWithStatus = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_NEITHER, FILE_ANY_ACCESS);
constexpr ULONG kPend = CTL_CODE(FILE_DEVICE_UNKNOWN, 0x802, METHOD_NEITHER, FILE_ANY_ACCESS);

struct EchoRecord {
    std::atomic<int> creates{0};
    std::atomic<int> cleanups{0};
    std::atomic<int> closes{0};
    std::atomic<PIRP> pending{nullptr};
    PVOID inputSeen = nullptr;
    PVOID outputSeen = nullptr;
    KPROCESSOR_MODE modeSeen = KernelMode;
};

EchoRecord gEcho;

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS NTAPI EchoFile(PDEVICE_OBJECT, PIRP irp)
{
    switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
    case IRP_MJ_CREATE:
        gEcho.creates += 1;
        break;
    case IRP_MJ_CLEANUP:
        gEcho.cleanups += 1;
        break;
    default:
        gEcho.closes += 1;
        break;
    }
    return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI EchoControl(PDEVICE_OBJECT, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const auto& parameters = stack->Parameters.DeviceIoControl;
    switch (parameters.IoControlCode) {
    case kEcho: {
        gEcho.inputSeen = parameters.Type3InputBuffer;
        gEcho.outputSeen = irp->UserBuffer;
        gEcho.modeSeen = irp->RequestorMode;
        const ULONG bytes = std::min(parameters.InputBufferLength, parameters.OutputBufferLength);
        memcpy(irp->UserBuffer, parameters.Type3InputBuffer, bytes);
        return Complete(irp, STATUS_SUCCESS, bytes);
    }
    case kCompleteWithStatus:
        return Complete(irp, *static_cast<NTSTATUS*>(parameters.Type3InputBuffer), parameters.OutputBufferLength);
    case kPend:
        IoMarkIrpPending(irp);
        gEcho.pending = irp;
        return STATUS_PENDING;
    default:
        return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    }
}

NTSTATUS NTAPI EchoEntry(PDRIVER_OBJECT driver, PUNICODE_STRING)
{
    driver->MajorFunction[IRP_MJ_CREATE] = EchoFile;
    driver->MajorFunction[IRP_MJ_CLEANUP] = EchoFile;
    driver->MajorFunction[IRP_MJ_CLOSE] = EchoFile;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = EchoControl;
    return STATUS_SUCCESS;
}

class Kernel32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        gEcho.creates = gEcho.cleanups = gEcho.closes = 0;
        gEcho.pending = nullptr;
        ASSERT_EQ(sim::io::LoadDriver(L"echo", EchoEntry, &m_driver), STATUS_SUCCESS);
        UNICODE_STRING name;
        RtlInitUnicodeString(&name, L"\\Device\\Echo");
        ASSERT_EQ(IoCreateDevice(m_driver, 0, &name, FILE_DEVICE_UNKNOWN, 0, FALSE, &m_device), STATUS_SUCCESS);
        m_device->Flags &= ~DO_DEVICE_INITIALIZING;
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, L"\\DosDevices\\Echo");
        ASSERT_EQ(IoCreateSymbolicLink(&link, &name), STATUS_SUCCESS);
    }

    void TearDown() override
    {
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, L"\\DosDevices\\Echo");
        IoDeleteSymbolicLink(&link);
        IoDeleteDevice(m_device);
        sim::io::UnloadDriver(m_driver);
    }

    static HANDLE OpenEcho(DWORD flags = FILE_ATTRIBUTE_NORMAL)
    {
        return CreateFileW(L"\\\\.\\Echo", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr);
    }

    // The request the driver holds pending, once it arrived.
    static PIRP WaitForPendingRequest()
    {
        while (gEcho.pending.load() == nullptr) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return gEcho.pending.exchange(nullptr);
    }

    sim::ClientProcess m_client{"client"};
    sim::ProcessScope m_scope{m_client};
    PDRIVER_OBJECT m_driver = nullptr;
    PDEVICE_OBJECT m_device = nullptr;
};

TEST_F(Kernel32, a_handle_is_resolved_in_the_calling_process)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    {
        sim::ClientProcess other("other");
        sim::ProcessScope scope(other);
        EXPECT_FALSE(SetEvent(event)) << "the value names nothing in another process";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &duplicate, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    ASSERT_TRUE(CloseHandle(event));
    EXPECT_FALSE(CloseHandle(event));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    ASSERT_TRUE(SetEvent(duplicate)) << "the duplicate keeps the event";
    EXPECT_EQ(WaitForSingleObject(duplicate, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_TRUE(CloseHandle(duplicate));
}

TEST_F(Kernel32, a_device_opens_by_its_link_name_and_its_close_sends_cleanup_then_close)
{
    HANDLE echo = OpenEcho();
    ASSERT_NE(echo, INVALID_HANDLE_VALUE);
    EXPECT_EQ(gEcho.creates, 1);
    ASSERT_TRUE(CloseHandle(echo));
    EXPECT_EQ(gEcho.cleanups, 1);
    EXPECT_EQ(gEcho.closes, 1);

    EXPECT_EQ(CreateFileW(L"\\\\.\\NoSuchDevice", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(CreateFileW(L"\\\\.\\Echo", GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << "a device is opened, never created";
}

TEST_F(Kernel32, a_neither_method_request_hands_the_driver_the_clients_own_buffers)
{
    HANDLE echo = OpenEcho();
    char in[8] = "request";
    char out[8] = {};
    DWORD returned = 0;
    ASSERT_TRUE(DeviceIoControl(echo, kEcho, in, sizeof in, out, sizeof out, &returned, nullptr));
    EXPECT_EQ(gEcho.inputSeen, static_cast<PVOID>(in));
    EXPECT_EQ(gEcho.outputSeen, static_cast<PVOID>(out));
    EXPECT_EQ(gEcho.modeSeen, UserMode);
    EXPECT_EQ(returned, sizeof out);
    EXPECT_STREQ(out, "request");
    CloseHandle(echo);
}

TEST_F(Kernel32, a_status_becomes_a_win32_error_and_a_warning_still_reports_its_bytes)
{
    const struct {
        NTSTATUS status;
        BOOL succeeds;
        DWORD error;
        DWORD bytes;
    } cases[] = {
        {STATUS_SUCCESS, TRUE, ERROR_SUCCESS, 16},
        {STATUS_BUFFER_OVERFLOW, FALSE, ERROR_MORE_DATA, 16},
        {STATUS_BUFFER_TOO_SMALL, FALSE, ERROR_INSUFFICIENT_BUFFER, 0},
        {STATUS_NO_MATCH, FALSE, ERROR_NO_MATCH, 0},
        {STATUS_PROPSET_NOT_FOUND, FALSE, ERROR_SET_NOT_FOUND, 0},
        {STATUS_NOT_FOUND, FALSE, ERROR_NOT_FOUND, 0},
        {STATUS_INVALID_DEVICE_REQUEST, FALSE, ERROR_INVALID_FUNCTION, 0},
        {STATUS_ACCESS_VIOLATION, FALSE, ERROR_NOACCESS, 0},
        {static_cast<NTSTATUS>(0xC0001234), FALSE, ERROR_MR_MID_NOT_FOUND, 0},
    };
    HANDLE echo = OpenEcho();
    for (const auto& c : cases) {
        NTSTATUS status = c.status;
        char out[16];
        DWORD returned = 99;
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(DeviceIoControl(echo, kCompleteWithStatus, &status, sizeof status, out, sizeof out, &returned,
                                  nullptr),
                  c.succeeds)
            << std::hex << c.status;
        EXPECT_EQ(GetLastError(), c.error) << std::hex << c.status;
        EXPECT_EQ(returned, c.bytes) << std::hex << c.status;
    }
    CloseHandle(echo);
}

TEST_F(Kernel32, a_pending_request_is_waited_for_and_an_overlapped_one_is_reported_when_done)
{
    HANDLE synchronous = OpenEcho();
    std::atomic<BOOL> result{-1};
    std::thread caller([&] {
        sim::ProcessScope scope(m_client);
        result = DeviceIoControl(synchronous, kPend, nullptr, 0, nullptr, 0, nullptr, nullptr);
    });
    PIRP irp = WaitForPendingRequest();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(result, -1) << "the call waits for the request";
    Complete(irp, STATUS_SUCCESS, 0);
    caller.join();
    EXPECT_EQ(result, TRUE);
    CloseHandle(synchronous);

    HANDLE overlappedHandle = OpenEcho(FILE_FLAG_OVERLAPPED);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char out[4];
    EXPECT_FALSE(DeviceIoControl(overlappedHandle, kPend, nullptr, 0, out, sizeof out, nullptr, &overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    DWORD bytes = 0;
    EXPECT_FALSE(GetOverlappedResult(overlappedHandle, &overlapped, &bytes, FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_IO_INCOMPLETE));
    Complete(WaitForPendingRequest(), STATUS_SUCCESS, 3);
    EXPECT_TRUE(GetOverlappedResult(overlappedHandle, &overlapped, &bytes, TRUE));
    EXPECT_EQ(bytes, 3u);

    result = -1;
    std::thread plain([&] {
        sim::ProcessScope scope(m_client);
        result = DeviceIoControl(overlappedHandle, kPend, nullptr, 0, nullptr, 0, nullptr, nullptr);
    });
    irp = WaitForPendingRequest();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(result, -1) << "without an OVERLAPPED the call waits, whatever the handle";
    Complete(irp, STATUS_SUCCESS, 0);
    plain.join();
    EXPECT_EQ(result, TRUE);
    CloseHandle(overlapped.hEvent);
    CloseHandle(overlappedHandle);
}

TEST_F(Kernel32, waits_name_the_signalled_event_or_time_out)
{
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    HANDLE both[2] = {manual, automatic};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), static_cast<DWORD>(WAIT_OBJECT_0 + 1));
    EXPECT_EQ(WaitForSingleObject(automatic, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "an auto-reset event lets one through";
    SetEvent(manual);
    SetEvent(automatic);
    EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 10), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(manual, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "a manual event stays set";
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 5), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_EQ(WaitForMultipleObjects(0, both, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    CloseHandle(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(automatic);
    EXPECT_EQ(m_client.HandleCount(), 0u);
}

}  // namespace
