// An engine's property dispatch: which requests it claims, the engine
// handed to its item handlers, and requests too short or unreadable to name
// a set.

#include <gtest/gtest.h>
#include <wdm.h>

#include <memory>

#include "engine_property_request.h"
#include "property_request.h"
#include "sim/pool.h"
#include "sim/process.h"
#include "sim/status.h"

namespace {

using ks_test::Property;
using ks_test::PropertyIrp;

// {5C0D1E2F-3A4B-4C5D-9E6F-708192A3B4C5}
DEFINE_GUID(KSPROPSETID_Engine, 0x5C0D1E2FL, 0x3A4B, 0x4C5D, 0x9E, 0x6F, 0x70, 0x81, 0x92, 0xA3, 0xB4, 0xC5);
// {6D1E2F30-4B5C-4D6E-8F70-8192A3B4C5D6}
DEFINE_GUID(KSPROPSETID_Foreign, 0x6D1E2F30L, 0x4B5C, 0x4D6E, 0x8F, 0x70, 0x81, 0x92, 0xA3, 0xB4, 0xC5, 0xD6);

int gCalls = 0;
PVOID gEngineSeen = nullptr;

NTSTATUS ItemHandler(PIRP irp, PKSIDENTIFIER, PVOID)
{
    ++gCalls;
    gEngineSeen = EngineOfPropertyRequest(irp);
    return STATUS_INVALID_PARAMETER;  // any status of its own reaches the caller
}

DEFINE_KSPROPERTY_TABLE(kItems){
    {DEFINE_KSPROPERTY_ITEM(0, ItemHandler, sizeof(KSPROPERTY), sizeof(ULONG), ItemHandler, NULL, 0, NULL, NULL, 0)},
};
const KSPROPERTY_SET kSet = {DEFINE_KSPROPERTY_SET(&KSPROPSETID_Engine, ARRAYSIZE(kItems), kItems, 0, NULL)};

int gEngine;  // the engine object the handlers are to see
PVOID const kCallersContext = reinterpret_cast<PVOID>(0x5A5A);

class EnginePropertyRequestTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCalls = 0;
        gEngineSeen = nullptr;
    }

    static std::uint64_t KsCaptures() { return sim::pool::Usage("KSpc").totalAllocations; }

    static NTSTATUS Handle(PropertyIrp& request)
    {
        request.Irp()->Tail.Overlay.DriverContext[3] = kCallersContext;
        const NTSTATUS status = HandleEnginePropertyRequest(request.Irp(), &gEngine, &kSet);
        EXPECT_EQ(request.Irp()->Tail.Overlay.DriverContext[3], kCallersContext) << "the caller's word is restored";
        return status;
    }
};

TEST_F(EnginePropertyRequestTest, the_engines_own_items_reach_their_handler_with_the_engine)
{
    const KSPROPERTY property = Property(KSPROPSETID_Engine, 0, KSPROPERTY_TYPE_GET);
    ULONG value = 0;
    PropertyIrp request(&property, sizeof property, &value, sizeof value);
    EXPECT_EQ(Handle(request), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(gCalls, 1);
    EXPECT_EQ(gEngineSeen, &gEngine);
}

TEST_F(EnginePropertyRequestTest, requests_that_are_not_the_engines_are_answered_not_implemented)
{
    const struct {
        const char* what;
        KSPROPERTY property;
        UCHAR majorFunction;
        ULONG ioControlCode;
        bool reachesKs;
    } cases[] = {
        {"another major function", Property(KSPROPSETID_Engine, 0, KSPROPERTY_TYPE_GET), IRP_MJ_INTERNAL_DEVICE_CONTROL,
         IOCTL_KS_PROPERTY, false},
        {"another control code", Property(KSPROPSETID_Engine, 0, KSPROPERTY_TYPE_GET), IRP_MJ_DEVICE_CONTROL,
         IOCTL_KS_METHOD, false},
        {"GUID_NULL", Property(GUID_NULL, 0, KSPROPERTY_TYPE_GET), IRP_MJ_DEVICE_CONTROL, IOCTL_KS_PROPERTY, false},
        {"a foreign set", Property(KSPROPSETID_Foreign, 0, KSPROPERTY_TYPE_GET), IRP_MJ_DEVICE_CONTROL,
         IOCTL_KS_PROPERTY, true},
        {"an id the set does not hold", Property(KSPROPSETID_Engine, 1, KSPROPERTY_TYPE_GET), IRP_MJ_DEVICE_CONTROL,
         IOCTL_KS_PROPERTY, true},
    };
    for (const auto& c : cases) {
        ULONG value = 0;
        PropertyIrp request(&c.property, sizeof c.property, &value, sizeof value);
        request.Stack()->MajorFunction = c.majorFunction;
        request.Stack()->Parameters.DeviceIoControl.IoControlCode = c.ioControlCode;
        const auto capturesBefore = KsCaptures();
        const NTSTATUS status = Handle(request);
        EXPECT_EQ(status, STATUS_NOT_IMPLEMENTED) << c.what << ": got " << sim::StatusName(status);
        EXPECT_EQ(KsCaptures() > capturesBefore, c.reachesKs) << c.what << ": KsPropertyHandler called?";
        EXPECT_EQ(gCalls, 0) << c.what;
    }
}

// The request's property is exactly as long as the length says, in its own
// heap block, so AddressSanitizer sees any read beyond it.
TEST_F(EnginePropertyRequestTest, a_request_too_short_for_a_ksproperty_is_not_read)
{
    for (ULONG length : {0u, 8u, 16u, 23u}) {
        auto property = std::make_unique<UCHAR[]>(length + 1);
        ULONG value = 0;
        PropertyIrp request(length > 0 ? property.get() : nullptr, length, &value, sizeof value);
        const auto capturesBefore = KsCaptures();
        EXPECT_EQ(Handle(request), STATUS_NOT_IMPLEMENTED) << length << " bytes";
        EXPECT_EQ(KsCaptures(), capturesBefore) << length << " bytes";
    }
}

TEST_F(EnginePropertyRequestTest, a_clients_property_outside_its_memory_fails_unread)
{
    sim::ClientProcess client("client");
    sim::ProcessScope scope(client);
    PVOID page = nullptr;
    SIZE_T size = PAGE_SIZE;
    ASSERT_EQ(ZwAllocateVirtualMemory(NtCurrentProcess(), &page, 0, &size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE),
              STATUS_SUCCESS);
    ULONG value = 0;
    const struct {
        const char* what;
        PVOID property;
    } cases[] = {
        {"a set GUID that runs into the guard page", static_cast<PUCHAR>(page) + PAGE_SIZE - 8},
        {"an address in the null page", reinterpret_cast<PVOID>(0x100)},
    };
    for (const auto& c : cases) {
        PropertyIrp request(c.property, sizeof(KSPROPERTY), &value, sizeof value, UserMode);
        EXPECT_EQ(Handle(request), STATUS_ACCESS_VIOLATION) << c.what;
        EXPECT_EQ(gCalls, 0) << c.what;
    }
}

}  // namespace
