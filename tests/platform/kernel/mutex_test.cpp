#include <gtest/gtest.h>
#include <wdm.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sim/sync.h"

namespace {

LARGE_INTEGER RelativeMilliseconds(LONGLONG ms)
{
    LARGE_INTEGER timeout;
    timeout.QuadPart = -ms * 10000;
    return timeout;
}

TEST(KernelMutex, the_owner_may_acquire_again_and_must_release_as_often)
{
    KMUTEX mutex;
    KeInitializeMutex(&mutex, 0);
    ASSERT_EQ(KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);
    ASSERT_EQ(KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr), STATUS_SUCCESS);

    std::atomic<NTSTATUS> otherResult{STATUS_PENDING};
    auto tryFromOtherThread = [&] {
        std::thread other([&] {
            LARGE_INTEGER timeout = RelativeMilliseconds(20);
            otherResult = KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, &timeout);
            if (otherResult == STATUS_SUCCESS) {
                KeReleaseMutex(&mutex, FALSE);
            }
        });
        other.join();
    };

    EXPECT_NE(KeReleaseMutex(&mutex, FALSE), 0) << "still held once after the first release";
    tryFromOtherThread();
    EXPECT_EQ(otherResult, STATUS_TIMEOUT);

    EXPECT_EQ(KeReleaseMutex(&mutex, FALSE), 0) << "signaled after the last release";
    tryFromOtherThread();
    EXPECT_EQ(otherResult, STATUS_SUCCESS);
}

TEST(KernelMutex, a_waiter_wakes_when_the_owner_releases)
{
    KMUTEX mutex;
    KeInitializeMutex(&mutex, 0);
    KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr);

    std::atomic<bool> acquired{false};
    std::thread waiter([&] {
        KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr);
        acquired = true;
        KeReleaseMutex(&mutex, FALSE);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(acquired);
    KeReleaseMutex(&mutex, FALSE);
    waiter.join();
    EXPECT_TRUE(acquired);
}

TEST(KernelMutex, waits_and_releases_are_counted)
{
    KMUTEX mutex;
    KeInitializeMutex(&mutex, 0);
    const auto waits = sim::sync::WaitCalls();
    const auto releases = sim::sync::MutexReleases();
    KeWaitForSingleObject(&mutex, Executive, KernelMode, FALSE, nullptr);
    KeReleaseMutex(&mutex, FALSE);
    EXPECT_EQ(sim::sync::WaitCalls(), waits + 1);
    EXPECT_EQ(sim::sync::MutexReleases(), releases + 1);
}

TEST(KernelMutexDeathTest, releasing_a_mutex_the_thread_does_not_own_stops_the_machine)
{
    KMUTEX mutex;
    KeInitializeMutex(&mutex, 0);
    EXPECT_DEATH(KeReleaseMutex(&mutex, FALSE), "MUTEX_NOT_OWNED");
}

}  // namespace
