// Events, waits on several objects, system threads, executive resources,
// and handles resolved in the process of the thread that presents them.

#include <gtest/gtest.h>
#include <wdm.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sim/clock.h"
#include "sim/pool.h"
#include "sim/process.h"
#include "sim/system_services.h"

namespace {

LARGE_INTEGER RelativeMilliseconds(LONGLONG ms)
{
    LARGE_INTEGER timeout;
    timeout.QuadPart = -ms * 10000;
    return timeout;
}

TEST(Events, a_synchronization_event_lets_one_waiter_through_a_notification_event_all)
{
    KEVENT synchronization;
    KEVENT notification;
    KeInitializeEvent(&synchronization, SynchronizationEvent, TRUE);
    KeInitializeEvent(&notification, NotificationEvent, TRUE);
    LARGE_INTEGER now{};
    EXPECT_EQ(KeWaitForSingleObject(&synchronization, Executive, KernelMode, FALSE, &now), STATUS_SUCCESS);
    EXPECT_EQ(KeWaitForSingleObject(&synchronization, Executive, KernelMode, FALSE, &now), STATUS_TIMEOUT);
    EXPECT_EQ(KeWaitForSingleObject(&notification, Executive, KernelMode, FALSE, &now), STATUS_SUCCESS);
    EXPECT_EQ(KeWaitForSingleObject(&notification, Executive, KernelMode, FALSE, &now), STATUS_SUCCESS);
    EXPECT_EQ(KeResetEvent(&notification), 1);
    EXPECT_EQ(KeWaitForSingleObject(&notification, Executive, KernelMode, FALSE, &now), STATUS_TIMEOUT);
}

TEST(Waits, wait_any_names_the_signalled_object_and_wait_all_needs_every_one)
{
    KEVENT first;
    KEVENT second;
    KeInitializeEvent(&first, NotificationEvent, FALSE);
    KeInitializeEvent(&second, NotificationEvent, TRUE);
    PVOID objects[2] = {&first, &second};
    LARGE_INTEGER now{};
    EXPECT_EQ(KeWaitForMultipleObjects(2, objects, WaitAny, Executive, KernelMode, FALSE, &now, nullptr),
              STATUS_WAIT_0 + 1);
    EXPECT_EQ(KeWaitForMultipleObjects(2, objects, WaitAll, Executive, KernelMode, FALSE, &now, nullptr),
              STATUS_TIMEOUT);
    KeSetEvent(&first, IO_NO_INCREMENT, FALSE);
    EXPECT_EQ(KeWaitForMultipleObjects(2, objects, WaitAll, Executive, KernelMode, FALSE, &now, nullptr),
              STATUS_SUCCESS);
}

TEST(ManualClock, a_timed_wait_ends_only_when_the_clock_is_moved_past_its_timeout)
{
    sim::clock::UseManualClock(true);
    KEVENT never;
    KeInitializeEvent(&never, NotificationEvent, FALSE);
    std::atomic<NTSTATUS> result{STATUS_PENDING};
    std::thread waiter([&] {
        LARGE_INTEGER timeout = RelativeMilliseconds(20);
        result = KeWaitForSingleObject(&never, Executive, KernelMode, FALSE, &timeout);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(result, STATUS_PENDING) << "real time passing does not move a manual clock";
    sim::clock::Advance(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(result, STATUS_PENDING);
    sim::clock::Advance(std::chrono::milliseconds(10));
    waiter.join();
    EXPECT_EQ(result, STATUS_TIMEOUT);
    sim::clock::UseManualClock(false);
}

struct WorkerContext {
    KEVENT stop;
    std::atomic<int> ticks{0};
};

VOID NTAPI Worker(PVOID context)
{
    auto* worker = static_cast<WorkerContext*>(context);
    LARGE_INTEGER tick = RelativeMilliseconds(1);
    while (KeWaitForSingleObject(&worker->stop, Executive, KernelMode, FALSE, &tick) == STATUS_TIMEOUT) {
        worker->ticks += 1;
    }
    PsTerminateSystemThread(STATUS_SUCCESS);
    worker->ticks = -1000;  // never reached: the thread has ended
}

TEST(SystemThreads, a_thread_object_is_signalled_when_the_thread_terminates)
{
    WorkerContext context;
    KeInitializeEvent(&context.stop, NotificationEvent, FALSE);
    HANDLE handle = nullptr;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    ASSERT_EQ(PsCreateSystemThread(&handle, THREAD_ALL_ACCESS, &attributes, nullptr, nullptr, Worker, &context),
              STATUS_SUCCESS);
    PVOID thread = nullptr;
    ASSERT_EQ(ObReferenceObjectByHandle(handle, THREAD_ALL_ACCESS, *PsThreadType, KernelMode, &thread, nullptr),
              STATUS_SUCCESS);
    ZwClose(handle);
    EXPECT_EQ(KeSetPriorityThread(static_cast<PKTHREAD>(thread), HIGH_PRIORITY), 8);

    while (context.ticks < 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    KeSetEvent(&context.stop, IO_NO_INCREMENT, FALSE);
    EXPECT_EQ(KeWaitForSingleObject(thread, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
    EXPECT_GE(context.ticks, 2);
    ObDereferenceObject(thread);
    EXPECT_EQ(PsTerminateSystemThread(STATUS_SUCCESS), STATUS_INVALID_PARAMETER)
        << "a thread the machine did not create cannot be terminated";
}

TEST(ExecutiveResource, readers_share_and_a_writer_waits_for_them)
{
    ERESOURCE resource;
    ExInitializeResourceLite(&resource);
    KeEnterCriticalRegion();
    ASSERT_TRUE(ExAcquireResourceSharedLite(&resource, TRUE));
    std::atomic<int> outcome{0};
    std::thread other([&] {
        KeEnterCriticalRegion();
        outcome = ExAcquireResourceSharedLite(&resource, FALSE) ? 1 : 2;  // a second reader gets in
        ExReleaseResourceLite(&resource);
        const bool immediately = ExAcquireResourceExclusiveLite(&resource, FALSE);
        outcome = immediately ? 3 : 4;
        ExAcquireResourceExclusiveLite(&resource, TRUE);
        outcome = 5;
        ExReleaseResourceLite(&resource);
        KeLeaveCriticalRegion();
    });
    while (outcome < 4) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(outcome, 4) << "the writer waits while a reader holds the resource";
    ExReleaseResourceLite(&resource);
    KeLeaveCriticalRegion();
    other.join();
    EXPECT_EQ(outcome, 5);
    ExDeleteResourceLite(&resource);
}

TEST(ExecutiveResourceDeathTest, acquiring_outside_a_critical_region_stops_the_machine)
{
    ERESOURCE resource;
    ExInitializeResourceLite(&resource);
    EXPECT_DEATH(ExAcquireResourceSharedLite(&resource, TRUE), "critical region");
    ExDeleteResourceLite(&resource);
}

TEST(Handles, a_handle_is_resolved_in_the_process_whose_thread_presents_it)
{
    sim::ClientProcess applet("applet");
    sim::ClientProcess other("other");
    HANDLE event = nullptr;
    {
        sim::ProcessScope scope(applet);
        ASSERT_EQ(NtCreateEvent(&event, EVENT_ALL_ACCESS, nullptr, SynchronizationEvent, FALSE), STATUS_SUCCESS);
        PVOID object = nullptr;
        ASSERT_EQ(ObReferenceObjectByHandle(event, EVENT_MODIFY_STATE, *ExEventObjectType, UserMode, &object,
                                            nullptr),
                  STATUS_SUCCESS);
        ObDereferenceObject(object);
    }
    {
        sim::ProcessScope scope(other);
        PVOID object = nullptr;
        EXPECT_EQ(ObReferenceObjectByHandle(event, 0, *ExEventObjectType, KernelMode, &object, nullptr),
                  STATUS_INVALID_HANDLE)
            << "the same value means nothing in another process";
    }
}

TEST(Handles, access_is_checked_for_user_mode_and_the_object_type_always)
{
    sim::ClientProcess client("client");
    sim::ProcessScope scope(client);
    HANDLE event = nullptr;
    ASSERT_EQ(NtCreateEvent(&event, SYNCHRONIZE, nullptr, NotificationEvent, FALSE), STATUS_SUCCESS);
    PVOID object = nullptr;
    EXPECT_EQ(ObReferenceObjectByHandle(event, EVENT_MODIFY_STATE, *ExEventObjectType, UserMode, &object, nullptr),
              STATUS_ACCESS_DENIED);
    EXPECT_EQ(ObReferenceObjectByHandle(event, EVENT_MODIFY_STATE, *PsThreadType, KernelMode, &object, nullptr),
              STATUS_OBJECT_TYPE_MISMATCH);
    ASSERT_EQ(ObReferenceObjectByHandle(event, GENERIC_READ | GENERIC_WRITE, *ExEventObjectType, KernelMode, &object,
                                        nullptr),
              STATUS_SUCCESS)
        << "kernel-mode callers are not held to the handle's access";
    ObDereferenceObject(object);
}

TEST(Handles, a_kernel_handle_is_refused_to_user_mode_and_process_exit_closes_what_is_left)
{
    const auto eventsBefore = sim::pool::Usage("Even").liveBlocks;
    {
        sim::ClientProcess client("client");
        sim::ProcessScope scope(client);
        HANDLE first = nullptr;
        HANDLE second = nullptr;
        NtCreateEvent(&first, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
        NtCreateEvent(&second, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
        EXPECT_EQ(client.HandleCount(), 2u);
        EXPECT_EQ(sim::pool::Usage("Even").liveBlocks, eventsBefore + 2);

        UNICODE_STRING machine;
        RtlInitUnicodeString(&machine, L"\\Registry\\Machine");
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &machine, OBJ_KERNEL_HANDLE, nullptr, nullptr);
        HANDLE kernelHandle = nullptr;
        ASSERT_EQ(ZwOpenKey(&kernelHandle, KEY_READ, &attributes), STATUS_SUCCESS);
        PVOID object = nullptr;
        EXPECT_EQ(ObReferenceObjectByHandle(kernelHandle, 0, nullptr, UserMode, &object, nullptr),
                  STATUS_INVALID_HANDLE);
        EXPECT_EQ(NtClose(kernelHandle), STATUS_INVALID_HANDLE) << "a client cannot close a kernel handle";
        EXPECT_EQ(ZwClose(kernelHandle), STATUS_SUCCESS);
    }
    EXPECT_EQ(sim::pool::Usage("Even").liveBlocks, eventsBefore);
}

}  // namespace
