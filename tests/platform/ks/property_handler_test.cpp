// KsPropertyHandler: finding the set and item, the size and type checks,
// the captured copies the handler works on, and a client's buffers.

#include <gtest/gtest.h>
#include <wdm.h>

#include <ks.h>

#include <cstring>
#include <string>

#include "property_request.h"
#include "sim/pool.h"
#include "sim/process.h"
#include "sim/status.h"

namespace {

using ks_test::Property;
using ks_test::PropertyIrp;

// {1B5A2E40-0C53-4B8E-9A1D-6E0F2C7D8B91}
DEFINE_GUID(KSPROPSETID_Test, 0x1B5A2E40L, 0x0C53, 0x4B8E, 0x9A, 0x1D, 0x6E, 0x0F, 0x2C, 0x7D, 0x8B, 0x91);
// {7D3C9F12-5A6B-4C8D-8E9F-0A1B2C3D4E5F}
DEFINE_GUID(KSPROPSETID_Other, 0x7D3C9F12L, 0x5A6B, 0x4C8D, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F);

// What the last handler call saw.
struct HandlerCall {
    int calls = 0;
    PKSIDENTIFIER request = nullptr;
    KSP_NODE property{};
    PVOID data = nullptr;
    ULONG value = 0;
    const KSPROPERTY_SET* storedSet = nullptr;
};
HandlerCall gCall;
NTSTATUS gHandlerStatus = STATUS_SUCCESS;
ULONG_PTR gAnsweredBytes = ~ULONG_PTR(0);  // left as KsPropertyHandler set it

NTSTATUS Record(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    gCall.calls += 1;
    gCall.request = request;
    const ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.InputBufferLength;
    memcpy(&gCall.property, request, length < sizeof(KSP_NODE) ? length : sizeof(KSP_NODE));
    gCall.data = data;
    memcpy(&gCall.value, data, sizeof(ULONG));
    gCall.storedSet = KSPROPERTY_SET_IRP_STORAGE(irp);
    if (gAnsweredBytes != ~ULONG_PTR(0)) {
        irp->IoStatus.Information = gAnsweredBytes;
    }
    return gHandlerStatus;
}

NTSTATUS GetAnswer(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    const NTSTATUS status = Record(irp, request, data);
    const ULONG answer = 0x11223344;
    memcpy(data, &answer, sizeof answer);
    return status;
}

NTSTATUS SetAndScribble(PIRP irp, PKSIDENTIFIER request, PVOID data)
{
    const NTSTATUS status = Record(irp, request, data);
    memset(data, 0xEE, sizeof(ULONG));  // a set's value is never copied back
    return status;
}

DEFINE_KSPROPERTY_TABLE(kTestItems){
    {DEFINE_KSPROPERTY_ITEM(1, GetAnswer, sizeof(KSPROPERTY), sizeof(ULONG), SetAndScribble, NULL, 0, NULL, NULL, 0)},
    {DEFINE_KSPROPERTY_ITEM(2, GetAnswer, sizeof(KSP_NODE), sizeof(ULONG), NULL, NULL, 0, NULL, NULL, 0)},
};
DEFINE_KSPROPERTY_SET_TABLE(kTestSets){
    {DEFINE_KSPROPERTY_SET(&KSPROPSETID_Test, ARRAYSIZE(kTestItems), kTestItems, 0, NULL)},
};

const ULONG kCaptureTag = sim::pool::TagFromText("KSpc");

class KsPropertyHandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCall = HandlerCall{};
        gHandlerStatus = STATUS_SUCCESS;
        gAnsweredBytes = ~ULONG_PTR(0);
    }
    void TearDown() override
    {
        sim::pool::ClearFaults();
        EXPECT_EQ(sim::pool::Usage(kCaptureTag).liveBlocks, 0u) << "captured buffers are freed";
    }

    NTSTATUS Send(const void* property, ULONG propertyLength, void* value, ULONG valueLength,
                  KPROCESSOR_MODE requestor = UserMode)
    {
        PropertyIrp request(property, propertyLength, value, valueLength, requestor);
        const NTSTATUS status = KsPropertyHandler(request.Irp(), ARRAYSIZE(kTestSets), kTestSets);
        m_information = request.Irp()->IoStatus.Information;
        return status;
    }

    ULONG_PTR m_information = 0;
};

TEST_F(KsPropertyHandlerTest, a_get_runs_the_items_handler_on_copies_and_returns_the_answer)
{
    for (KPROCESSOR_MODE requestor : {UserMode, KernelMode}) {
        SetUp();
        const KSPROPERTY property = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET);
        ULONG value = 0;
        ASSERT_EQ(Send(&property, sizeof property, &value, sizeof value, requestor), STATUS_SUCCESS);
        EXPECT_EQ(gCall.calls, 1);
        EXPECT_NE(gCall.request, reinterpret_cast<const KSIDENTIFIER*>(&property)) << "the handler sees a copy";
        EXPECT_NE(gCall.data, static_cast<PVOID>(&value));
        EXPECT_EQ(gCall.property.Property.Id, 1u);
        EXPECT_EQ(gCall.value, 0u) << "a get's value starts zeroed, not with pool contents";
        EXPECT_EQ(gCall.storedSet, &kTestSets[0]) << "KSPROPERTY_SET_IRP_STORAGE names the set";
        EXPECT_EQ(value, 0x11223344u);
        EXPECT_EQ(m_information, sizeof(ULONG)) << "a get answers the item's value size";
    }
}

TEST_F(KsPropertyHandlerTest, a_set_hands_over_the_value_and_returns_nothing)
{
    const KSPROPERTY property = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_SET);
    ULONG value = 42;
    ASSERT_EQ(Send(&property, sizeof property, &value, sizeof value), STATUS_SUCCESS);
    EXPECT_EQ(gCall.value, 42u);
    EXPECT_EQ(value, 42u) << "the handler's copy is not written back";
    EXPECT_EQ(m_information, 0u);
}

TEST_F(KsPropertyHandlerTest, the_handlers_byte_count_limits_what_is_returned)
{
    const KSPROPERTY property = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET);
    UCHAR value[8];
    memset(value, 0xAA, sizeof value);
    gAnsweredBytes = 2;
    ASSERT_EQ(Send(&property, sizeof property, value, sizeof value), STATUS_SUCCESS);
    EXPECT_EQ(m_information, 2u);
    EXPECT_EQ(value[0], 0x44);
    EXPECT_EQ(value[1], 0x33);
    EXPECT_EQ(value[2], 0xAA) << "bytes beyond the answer stay";

    gAnsweredBytes = 100;  // more than the requester's buffer holds
    ASSERT_EQ(Send(&property, sizeof property, value, sizeof value), STATUS_SUCCESS);
    EXPECT_EQ(m_information, sizeof value);
}

TEST_F(KsPropertyHandlerTest, a_failing_handler_returns_no_bytes)
{
    const KSPROPERTY property = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET);
    ULONG value = 7;
    gHandlerStatus = STATUS_INVALID_PARAMETER;
    EXPECT_EQ(Send(&property, sizeof property, &value, sizeof value), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(m_information, 0u);
    EXPECT_EQ(value, 7u);
}

TEST_F(KsPropertyHandlerTest, requests_the_tables_do_not_serve_are_refused_before_any_handler)
{
    const KSP_NODE plain{Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET), 0, 0};
    const struct {
        const char* what;
        KSP_NODE property;
        ULONG propertyLength;
        ULONG valueLength;
        NTSTATUS expected;
    } cases[] = {
        {"a set the tables do not hold", {Property(KSPROPSETID_Other, 1, KSPROPERTY_TYPE_GET), 0, 0}, 24, 4,
         STATUS_PROPSET_NOT_FOUND},
        {"GUID_NULL", {Property(GUID_NULL, 1, KSPROPERTY_TYPE_GET), 0, 0}, 24, 4, STATUS_PROPSET_NOT_FOUND},
        {"an id the set does not hold", {Property(KSPROPSETID_Test, 3, KSPROPERTY_TYPE_GET), 0, 0}, 24, 4,
         STATUS_NOT_FOUND},
        {"a KSPROPERTY where the item needs a KSP_NODE", {Property(KSPROPSETID_Test, 2, KSPROPERTY_TYPE_GET), 0, 0},
         24, 4, STATUS_BUFFER_TOO_SMALL},
        {"a value buffer below the item's minimum", plain, 24, 3, STATUS_BUFFER_TOO_SMALL},
        {"no value buffer", plain, 24, 0, STATUS_BUFFER_TOO_SMALL},
        {"a set of an item without a set handler", {Property(KSPROPSETID_Test, 2, KSPROPERTY_TYPE_SET), 0, 0}, 32, 4,
         STATUS_INVALID_DEVICE_REQUEST},
        {"both get and set", {Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_SET), 0, 0}, 24, 4,
         STATUS_NOT_SUPPORTED},
        {"a support query", {Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_BASICSUPPORT), 0, 0}, 24, 4,
         STATUS_NOT_SUPPORTED},
        {"a property shorter than a KSPROPERTY", plain, 20, 4, STATUS_INVALID_BUFFER_SIZE},
    };
    for (const auto& c : cases) {
        ULONG value = 7;
        const NTSTATUS status = Send(&c.property, c.propertyLength, &value, c.valueLength);
        EXPECT_EQ(status, c.expected) << c.what << ": expected " << sim::StatusName(c.expected) << ", got "
                                      << sim::StatusName(status);
        EXPECT_EQ(gCall.calls, 0) << c.what;
        EXPECT_EQ(m_information, 0u) << c.what;
        EXPECT_EQ(value, 7u) << c.what;
    }
}

TEST_F(KsPropertyHandlerTest, the_capture_failing_for_want_of_pool_refuses_the_request)
{
    const KSPROPERTY property = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET);
    ULONG value = 0;
    sim::pool::FailTag(kCaptureTag);
    EXPECT_EQ(Send(&property, sizeof property, &value, sizeof value), STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(gCall.calls, 0);
}

// A client's buffers: one page of its own memory with a guard page behind it.
class KsPropertyHandlerClientTest : public KsPropertyHandlerTest {
protected:
    void SetUp() override
    {
        KsPropertyHandlerTest::SetUp();
        SIZE_T size = PAGE_SIZE;
        ASSERT_EQ(ZwAllocateVirtualMemory(NtCurrentProcess(), &m_page, 0, &size, MEM_COMMIT | MEM_RESERVE,
                                          PAGE_READWRITE),
                  STATUS_SUCCESS);
    }

    // Where an object of `size` bytes ends exactly at the end of the page.
    PUCHAR AtPageEnd(SIZE_T size) const { return static_cast<PUCHAR>(m_page) + PAGE_SIZE - size; }

    void Protect(ULONG protection)
    {
        SIZE_T size = PAGE_SIZE;
        ULONG old = 0;
        PVOID base = m_page;
        ASSERT_EQ(ZwProtectVirtualMemory(NtCurrentProcess(), &base, &size, protection, &old), STATUS_SUCCESS);
    }

    sim::ClientProcess m_client{"client"};
    sim::ProcessScope m_scope{m_client};
    PVOID m_page = nullptr;
};

TEST_F(KsPropertyHandlerClientTest, a_property_running_past_the_clients_memory_is_refused_unread)
{
    // A KSPROPERTY whose last 8 bytes would lie in the guard page.
    PUCHAR property = AtPageEnd(16);
    const KSPROPERTY whole = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET);
    memcpy(property, &whole, 16);
    ULONG value = 0;
    EXPECT_EQ(Send(property, sizeof(KSPROPERTY), &value, sizeof value), STATUS_ACCESS_VIOLATION);
    EXPECT_EQ(gCall.calls, 0);
    EXPECT_EQ(m_information, 0u);
}

TEST_F(KsPropertyHandlerClientTest, a_value_buffer_the_client_cannot_use_is_refused_before_the_handler)
{
    const KSPROPERTY get = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_GET);
    const KSPROPERTY set = Property(KSPROPSETID_Test, 1, KSPROPERTY_TYPE_SET);
    EXPECT_EQ(Send(&get, sizeof get, AtPageEnd(2), sizeof(ULONG)), STATUS_ACCESS_VIOLATION)
        << "a get's answer would run into the guard page";
    EXPECT_EQ(Send(&set, sizeof set, AtPageEnd(2), sizeof(ULONG)), STATUS_ACCESS_VIOLATION)
        << "a set's value runs into the guard page";

    Protect(PAGE_READONLY);
    EXPECT_EQ(Send(&get, sizeof get, AtPageEnd(4), sizeof(ULONG)), STATUS_ACCESS_VIOLATION)
        << "a get's answer cannot go to read-only memory";
    EXPECT_EQ(Send(&set, sizeof set, AtPageEnd(4), sizeof(ULONG)), STATUS_SUCCESS)
        << "a set only reads its value";
    EXPECT_EQ(gCall.calls, 1);
}

}  // namespace
