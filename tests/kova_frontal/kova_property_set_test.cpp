// The KOVA control property set, driven as the control panel drives it:
// IOCTL_KS_PROPERTY requests in real IRPs, handed to HandlePropertyRequest.

#include <gtest/gtest.h>
#include <wdm.h>

#include <ks.h>

#include <memory>

#include "kova_properties.h"
#include "kova_test_support.h"
#include "property_request.h"
#include "sim/fpu.h"
#include "sim/process.h"
#include "sim/status.h"

namespace {

using ks_test::NodeProperty;
using ks_test::Property;
using ks_test::PropertyIrp;

// {3627B5B0-07F9-4F34-9A0D-8F2057AC5FFD}, the VYO HD engine's set
DEFINE_GUID(KSPROPSETID_VYOHD_Foreign, 0x3627B5B0L, 0x07F9, 0x4F34, 0x9A, 0x0D, 0x8F, 0x20, 0x57, 0xAC, 0x5F, 0xFD);

constexpr ULONG kNoNode = ~0u;

class KOVAPropertySetTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_stream, nullptr); }
    void TearDown() override { sim::fpu::ClearFaults(); }

    // One request: a KSPROPERTY, or a KSP_NODE when `node` names one.
    NTSTATUS Send(ULONG id, ULONG flags, LONG* value, ULONG node = kNoNode, KPROCESSOR_MODE requestor = UserMode)
    {
        const KSP_NODE property = NodeProperty(KSPROPSETID_KOVA, id, flags, node);
        const ULONG length = node == kNoNode ? sizeof(KSPROPERTY) : sizeof(KSP_NODE);
        PropertyIrp request(&property, length, value, sizeof *value, requestor);
        const NTSTATUS status = m_engine.manager->HandlePropertyRequest(request.Irp());
        m_information = request.Irp()->IoStatus.Information;
        return status;
    }

    LONG Get(ULONG id, ULONG node = kNoNode)
    {
        LONG value = 0x7EEEEEEE;
        const NTSTATUS status = Send(id, KSPROPERTY_TYPE_GET, &value, node);
        EXPECT_EQ(status, STATUS_SUCCESS) << "get id " << id << ": " << sim::StatusName(status);
        return value;
    }

    NTSTATUS Set(ULONG id, LONG value, ULONG node = kNoNode) { return Send(id, KSPROPERTY_TYPE_SET, &value, node); }

    ManagerWithStreams m_engine;
    KOVAStreamObject* m_stream = m_engine.AddFormattedStream(48000, 16, 2, 0x3);
    ULONG_PTR m_information = 0;
};

TEST_F(KOVAPropertySetTest, every_property_reads_its_default_on_a_new_manager)
{
    const struct {
        ULONG id;
        ULONG node;
        LONG value;
    } defaults[] = {
        {KSPROPERTY_KOVA_ENABLE, kNoNode, 1},          {KSPROPERTY_KOVA_HEADPHONE, kNoNode, 0},
        {KSPROPERTY_KOVA_KVHDMODE, kNoNode, 8},        {KSPROPERTY_KOVA_ELEVOENABLE, kNoNode, 1},
        {KSPROPERTY_KOVA_ELEVOLEVEL, kNoNode, 50},     {KSPROPERTY_KOVA_SUBVIAENABLE, kNoNode, 1},
        {KSPROPERTY_KOVA_SUBVIALEVEL, kNoNode, 60},    {KSPROPERTY_KOVA_SUBVIASIZE, kNoNode, 1},
        {KSPROPERTY_KOVA_INPUTGAIN, kNoNode, 0},       {KSPROPERTY_KOVA_OUTPUTGAIN, kNoNode, 0},
        {KSPROPERTY_KOVA_OUTPUTMODE, kNoNode, 0},      {KSPROPERTY_KOVA_SUBVIASUBENABLE, kNoNode, 1},
        {KSPROPERTY_KOVA_SUBVIASUBLEVEL, kNoNode, 60}, {KSPROPERTY_KOVA_SUBVIASUBSIZE, kNoNode, 0},
        {KSPROPERTY_KOVA_GROUPGAIN, 0, 0},             {KSPROPERTY_KOVA_GROUPGAIN, 1, 0},
        {KSPROPERTY_KOVA_GROUPGAIN, 2, 0},             {KSPROPERTY_KOVA_GROUPGAIN, 3, 0},
        {KSPROPERTY_KOVA_FRONTPRESENCE, kNoNode, 25},  {KSPROPERTY_KOVA_CENTERPRESENCE, kNoNode, 25},
        {KSPROPERTY_KOVA_CROSSOVERSELECT, kNoNode, 0},
    };
    for (KPROCESSOR_MODE requestor : {UserMode, KernelMode}) {
        for (const auto& d : defaults) {
            LONG value = 0x7EEEEEEE;
            EXPECT_EQ(Send(d.id, KSPROPERTY_TYPE_GET, &value, d.node, requestor), STATUS_SUCCESS) << "id " << d.id;
            EXPECT_EQ(value, d.value) << "id " << d.id << " node " << d.node;
            EXPECT_EQ(m_information, sizeof(ULONG)) << "id " << d.id;
        }
    }
}

TEST_F(KOVAPropertySetTest, sets_are_validated_and_read_back)
{
    const struct {
        ULONG id;
        ULONG node;
        LONG value;
        NTSTATUS status;
        LONG readBack;
    } cases[] = {
        {KSPROPERTY_KOVA_ELEVOLEVEL, kNoNode, 75, STATUS_SUCCESS, 75},
        {KSPROPERTY_KOVA_ELEVOLEVEL, kNoNode, 101, STATUS_INVALID_PARAMETER, 75},
        {KSPROPERTY_KOVA_SUBVIALEVEL, kNoNode, -1, STATUS_INVALID_PARAMETER, 60},
        {KSPROPERTY_KOVA_INPUTGAIN, kNoNode, -6, STATUS_SUCCESS, -6},
        {KSPROPERTY_KOVA_INPUTGAIN, kNoNode, 7, STATUS_INVALID_PARAMETER, -6},
        {KSPROPERTY_KOVA_OUTPUTGAIN, kNoNode, -999, STATUS_SUCCESS, -999},
        {KSPROPERTY_KOVA_GROUPGAIN, 2, -3, STATUS_SUCCESS, -3},
        {KSPROPERTY_KOVA_GROUPGAIN, 0x10003, -20, STATUS_SUCCESS, -20},  // the low 16 bits name group 3
        {KSPROPERTY_KOVA_GROUPGAIN, 1, -21, STATUS_INVALID_PARAMETER, 0},
        {KSPROPERTY_KOVA_FRONTPRESENCE, kNoNode, 100, STATUS_SUCCESS, 100},
        {KSPROPERTY_KOVA_FRONTPRESENCE, kNoNode, 101, STATUS_INVALID_PARAMETER, 100},
        {KSPROPERTY_KOVA_CENTERPRESENCE, kNoNode, 50, STATUS_SUCCESS, 50},
        {KSPROPERTY_KOVA_OUTPUTMODE, kNoNode, 3, STATUS_SUCCESS, 3},
        {KSPROPERTY_KOVA_OUTPUTMODE, kNoNode, 9, STATUS_INVALID_PARAMETER, 3},
        {KSPROPERTY_KOVA_KVHDMODE, kNoNode, 12, STATUS_INVALID_PARAMETER, 8},
        {KSPROPERTY_KOVA_KVHDMODE, kNoNode, 0, STATUS_SUCCESS, 0},
        {KSPROPERTY_KOVA_SUBVIASUBSIZE, kNoNode, 8, STATUS_INVALID_PARAMETER, 0},
        {KSPROPERTY_KOVA_CROSSOVERSELECT, kNoNode, 3, STATUS_SUCCESS, 3},
        {KSPROPERTY_KOVA_HEADPHONE, kNoNode, 0x100, STATUS_SUCCESS, 1},  // any nonzero value switches on
        {KSPROPERTY_KOVA_ENABLE, kNoNode, 0, STATUS_SUCCESS, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Set(c.id, c.value, c.node), c.status) << "set id " << c.id << " to " << c.value;
        EXPECT_EQ(m_information, 0u) << "a set returns no bytes";
        EXPECT_EQ(Get(c.id, c.node), c.readBack) << "id " << c.id << " after setting " << c.value;
    }
    KOVAManagerObject* manager = m_engine.manager;
    EXPECT_NEAR(manager->GetInputGain(), 0.501f, 0.001f);
    EXPECT_EQ(manager->GetOutputGain(), 0.0f);
    EXPECT_EQ(manager->GetFrontPresence(), 4.0f);
    float center = 0.0f;
    ASSERT_EQ(manager->GetSpeakerGroupGain(KOVAGroupCenter, &center), STATUS_SUCCESS);
    EXPECT_NEAR(center, 0.708f, 0.001f);

    // The broadcast reached the stream.
    const OutputStage& output = m_stream->State().output;
    EXPECT_EQ(output.groupGain[KOVAGroupCenter].Load(), center);
    EXPECT_EQ(output.frontPresence.Load(), 4.0f);
    EXPECT_EQ(output.centerPresence.Load(), 2.0f);
}

// KOVA converts wire values in double precision, so a level set in percent
// and a gain set in decibels are stored as the float nearest the exact
// value; single-precision arithmetic misses it for these.
TEST_F(KOVAPropertySetTest, percent_and_decibel_sets_store_the_nearest_float)
{
    KOVAManagerObject* manager = m_engine.manager;
    ASSERT_EQ(Set(KSPROPERTY_KOVA_ELEVOLEVEL, 10), STATUS_SUCCESS);
    EXPECT_EQ(manager->GetElevoLevel(), 0.1f);
    ASSERT_EQ(Set(KSPROPERTY_KOVA_SUBVIALEVEL, 60), STATUS_SUCCESS);
    EXPECT_EQ(manager->GetSubviaLevel(), 0.6f);
    ASSERT_EQ(Set(KSPROPERTY_KOVA_INPUTGAIN, -9), STATUS_SUCCESS);
    EXPECT_EQ(manager->GetInputGain(), 0.354813397f) << "10^(-9/20) = 0.3548133892";
    ASSERT_EQ(Set(KSPROPERTY_KOVA_OUTPUTGAIN, 6), STATUS_SUCCESS);
    EXPECT_EQ(manager->GetOutputGain(), 1.99526227f) << "10^(6/20) = 1.9952623150";
}

TEST_F(KOVAPropertySetTest, an_unknown_group_is_refused_for_get_and_set)
{
    LONG value = 0x7EEEEEEE;
    EXPECT_EQ(Send(KSPROPERTY_KOVA_GROUPGAIN, KSPROPERTY_TYPE_GET, &value, 4), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(value, 0x7EEEEEEE) << "nothing is written for a refused get";
    EXPECT_EQ(Set(KSPROPERTY_KOVA_GROUPGAIN, 0, 4), STATUS_INVALID_PARAMETER);
}

TEST_F(KOVAPropertySetTest, requests_that_are_not_the_engines_change_nothing)
{
    LONG value = 1;
    for (ULONG id : {16u, 19u, 0x1000u}) {
        EXPECT_EQ(Send(id, KSPROPERTY_TYPE_SET, &value), STATUS_NOT_IMPLEMENTED) << "undefined id " << id;
    }
    for (const GUID* set : {&GUID_NULL, &KSPROPSETID_VYOHD_Foreign}) {
        const KSPROPERTY property = Property(*set, KSPROPERTY_KOVA_ENABLE, KSPROPERTY_TYPE_SET);
        value = 0;
        PropertyIrp request(&property, sizeof property, &value, sizeof value);
        EXPECT_EQ(m_engine.manager->HandlePropertyRequest(request.Irp()), STATUS_NOT_IMPLEMENTED);
    }
    value = -20;
    EXPECT_EQ(Send(KSPROPERTY_KOVA_GROUPGAIN, KSPROPERTY_TYPE_SET, &value), STATUS_BUFFER_TOO_SMALL)
        << "the group gain needs a KSP_NODE";
    EXPECT_EQ(m_engine.manager->GetEnable(), 1);
    float front = 0.0f;
    m_engine.manager->GetSpeakerGroupGain(KOVAGroupFront, &front);
    EXPECT_EQ(front, 1.0f);
}

TEST_F(KOVAPropertySetTest, without_the_floating_point_state_float_properties_change_nothing)
{
    const struct {
        ULONG id;
        ULONG node;
        LONG value;
    } cases[] = {
        {KSPROPERTY_KOVA_ELEVOLEVEL, kNoNode, 10},
        {KSPROPERTY_KOVA_INPUTGAIN, kNoNode, -10},
        {KSPROPERTY_KOVA_GROUPGAIN, 1, -10},
        {KSPROPERTY_KOVA_CENTERPRESENCE, kNoNode, 10},
    };
    for (const auto& c : cases) {
        const LONG before = Get(c.id, c.node);
        sim::fpu::FailNextSaves(1, STATUS_ILLEGAL_FLOAT_CONTEXT);
        EXPECT_EQ(Set(c.id, c.value, c.node), STATUS_ILLEGAL_FLOAT_CONTEXT) << "id " << c.id;
        EXPECT_EQ(Get(c.id, c.node), before) << "id " << c.id;
    }
    EXPECT_EQ(sim::fpu::OutstandingSaves(), 0);
}

TEST_F(KOVAPropertySetTest, a_short_or_unreadable_client_request_is_never_read_beyond_its_end)
{
    auto shortProperty = std::make_unique<UCHAR[]>(20);
    memcpy(shortProperty.get(), &KSPROPSETID_KOVA, 16);
    LONG value = 0;
    PropertyIrp shortRequest(shortProperty.get(), 20, &value, sizeof value);
    EXPECT_EQ(m_engine.manager->HandlePropertyRequest(shortRequest.Irp()), STATUS_NOT_IMPLEMENTED);

    sim::ClientProcess client("applet");
    sim::ProcessScope scope(client);
    PVOID page = nullptr;
    SIZE_T size = PAGE_SIZE;
    ASSERT_EQ(ZwAllocateVirtualMemory(NtCurrentProcess(), &page, 0, &size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE),
              STATUS_SUCCESS);
    auto* atEnd = static_cast<PUCHAR>(page) + PAGE_SIZE - 12;  // most of the set GUID lies in the guard page
    memcpy(atEnd, &KSPROPSETID_KOVA, 12);
    PropertyIrp unreadable(atEnd, sizeof(KSPROPERTY), &value, sizeof value);
    EXPECT_EQ(m_engine.manager->HandlePropertyRequest(unreadable.Irp()), STATUS_ACCESS_VIOLATION);
}

}  // namespace
