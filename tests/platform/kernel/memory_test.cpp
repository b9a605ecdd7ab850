// Client memory: probing and locking a client's range, and the guarded
// block that catches the raised status.

#include <gtest/gtest.h>
#include <wdm.h>

#include "sim/memory.h"
#include "sim/pool.h"
#include "sim/process.h"

namespace {

class ClientMemoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SIZE_T size = PAGE_SIZE;
        ASSERT_EQ(ZwAllocateVirtualMemory(NtCurrentProcess(), &m_buffer, 0, &size, MEM_COMMIT | MEM_RESERVE,
                                          PAGE_READWRITE),
                  STATUS_SUCCESS);
    }

    // Locks the range as a driver does; returns the raised status or success.
    static NTSTATUS LockRange(PVOID address, ULONG length, LOCK_OPERATION operation, PMDL* locked)
    {
        PMDL mdl = IoAllocateMdl(address, length, FALSE, FALSE, nullptr);
        if (mdl == nullptr) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
        volatile NTSTATUS status = STATUS_SUCCESS;
        SEH_TRY {
            MmProbeAndLockPages(mdl, KernelMode, operation);
        } SEH_EXCEPT {
            status = SEH_EXCEPTION_CODE;
        } SEH_END;
        if (!NT_SUCCESS(status)) {
            IoFreeMdl(mdl);
            return status;
        }
        *locked = mdl;
        return STATUS_SUCCESS;
    }

    sim::ClientProcess m_client{"client"};
    sim::ProcessScope m_scope{m_client};
    PVOID m_buffer = nullptr;
};

TEST_F(ClientMemoryTest, locking_fails_for_ranges_the_client_cannot_reach)
{
    auto* bytes = static_cast<UCHAR*>(m_buffer);
    const struct {
        const char* what;
        PVOID address;
        ULONG length;
    } unreachable[] = {
        {"the null page", reinterpret_cast<PVOID>(0x1000), 16},
        {"past the end of the client's buffer", bytes + PAGE_SIZE - 8, 16},
    };
    for (const auto& c : unreachable) {
        SCOPED_TRACE(c.what);
        PMDL mdl = nullptr;
        EXPECT_EQ(LockRange(c.address, c.length, IoReadAccess, &mdl), STATUS_ACCESS_VIOLATION);
    }
    ULONG old = 0;
    SIZE_T size = PAGE_SIZE;
    ASSERT_EQ(ZwProtectVirtualMemory(NtCurrentProcess(), &m_buffer, &size, PAGE_READONLY, &old), STATUS_SUCCESS);
    PMDL mdl = nullptr;
    EXPECT_EQ(LockRange(bytes, 16, IoModifyAccess, &mdl), STATUS_ACCESS_VIOLATION) << "read-only memory";
    ASSERT_EQ(LockRange(bytes, 16, IoReadAccess, &mdl), STATUS_SUCCESS);
    MmUnlockPages(mdl);
    IoFreeMdl(mdl);
    EXPECT_EQ(sim::pool::Usage("Mdl ").liveBlocks, 0u);
}

TEST_F(ClientMemoryTest, locked_pages_stay_usable_after_the_client_frees_them)
{
    PMDL mdl = nullptr;
    ASSERT_EQ(LockRange(m_buffer, PAGE_SIZE, IoModifyAccess, &mdl), STATUS_SUCCESS);
    auto* mapped = static_cast<UCHAR*>(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority));
    ASSERT_NE(mapped, nullptr);
    SIZE_T size = 0;
    ASSERT_EQ(ZwFreeVirtualMemory(NtCurrentProcess(), &m_buffer, &size, MEM_RELEASE), STATUS_SUCCESS);
    mapped[0] = 0x5A;  // still mapped: the lock holds the pages
    PMDL again = nullptr;
    EXPECT_EQ(LockRange(m_buffer, 16, IoReadAccess, &again), STATUS_ACCESS_VIOLATION)
        << "the client itself cannot reach freed memory";
    MmUnlockPages(mdl);
    IoFreeMdl(mdl);
}

TEST_F(ClientMemoryTest, a_failed_mapping_is_reported_as_null)
{
    PMDL mdl = nullptr;
    ASSERT_EQ(LockRange(m_buffer, 64, IoModifyAccess, &mdl), STATUS_SUCCESS);
    sim::memory::FailNextMappings(1);
    EXPECT_EQ(MmMapLockedPagesSpecifyCache(mdl, KernelMode, MmCached, nullptr, FALSE, NormalPagePriority), nullptr);
    EXPECT_NE(MmGetSystemAddressForMdlSafe(mdl, NormalPagePriority), nullptr);
    MmUnlockPages(mdl);
    IoFreeMdl(mdl);
}

TEST(ExceptionsDeathTest, a_status_raised_outside_a_guarded_block_stops_the_machine)
{
    EXPECT_DEATH(ProbeForRead(reinterpret_cast<PVOID>(0x10), 4, 1), "KMODE_EXCEPTION_NOT_HANDLED");
}

}  // namespace
