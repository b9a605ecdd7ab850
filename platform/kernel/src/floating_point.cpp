// Floating-point state saving. On this platform the FPU state of a thread is
// never lost, so a save only has to be checked for balance: the save hands
// out a signature that the matching restore must present.

#include <wdm.h>

#include <atomic>
#include <mutex>

#include "sim/bugcheck.h"
#include "sim/fpu.h"

namespace {

constexpr ULONG kSavedSignature = 0x46505553;  // "SUPF"

struct FaultPlan {
    std::mutex lock;
    std::uint32_t failNext = 0;
    bool failAll = false;
    NTSTATUS status = STATUS_INSUFFICIENT_RESOURCES;
};

FaultPlan& Faults()
{
    static FaultPlan plan;
    return plan;
}

std::atomic<std::uint64_t> gSaveCalls{0};
std::atomic<std::int64_t> gOutstanding{0};

// The status of a save that is meant to fail, or STATUS_SUCCESS.
NTSTATUS InjectedFailure()
{
    FaultPlan& plan = Faults();
    std::lock_guard<std::mutex> guard(plan.lock);
    if (plan.failAll) {
        return plan.status;
    }
    if (plan.failNext > 0) {
        plan.failNext -= 1;
        return plan.status;
    }
    return STATUS_SUCCESS;
}

}  // namespace

NTKERNELAPI NTSTATUS NTAPI KeSaveFloatingPointState(PKFLOATING_SAVE FloatSave)
{
    gSaveCalls.fetch_add(1, std::memory_order_relaxed);
    const NTSTATUS failure = InjectedFailure();
    if (!NT_SUCCESS(failure)) {
        return failure;
    }
    FloatSave->Signature = kSavedSignature;
    gOutstanding.fetch_add(1, std::memory_order_relaxed);
    return STATUS_SUCCESS;
}

NTKERNELAPI NTSTATUS NTAPI KeRestoreFloatingPointState(PKFLOATING_SAVE FloatSave)
{
    if (FloatSave->Signature != kSavedSignature) {
        sim::BugCheck("INVALID_FLOATING_POINT_STATE", "restore of a state that was never saved");
    }
    FloatSave->Signature = 0;
    gOutstanding.fetch_sub(1, std::memory_order_relaxed);
    return STATUS_SUCCESS;
}

namespace sim::fpu {

void FailNextSaves(std::uint32_t count, NTSTATUS status)
{
    FaultPlan& plan = Faults();
    std::lock_guard<std::mutex> guard(plan.lock);
    plan.failNext = count;
    plan.status = status;
}

void FailAllSaves(bool fail, NTSTATUS status)
{
    FaultPlan& plan = Faults();
    std::lock_guard<std::mutex> guard(plan.lock);
    plan.failAll = fail;
    plan.status = status;
}

void ClearFaults()
{
    FaultPlan& plan = Faults();
    std::lock_guard<std::mutex> guard(plan.lock);
    plan.failNext = 0;
    plan.failAll = false;
    plan.status = STATUS_INSUFFICIENT_RESOURCES;
}

std::uint64_t SaveCalls()
{
    return gSaveCalls.load(std::memory_order_relaxed);
}

std::int64_t OutstandingSaves()
{
    return gOutstanding.load(std::memory_order_relaxed);
}

}  // namespace sim::fpu
