// The VYO HD control property set, driven as the control panel drives it:
// IOCTL_KS_PROPERTY requests in real IRPs, handed to HandlePropertyRequest.

#include <gtest/gtest.h>

#include <ks.h>

#include <memory>

#include "engine_fixture.h"
#include "property_request.h"
#include "sim/process.h"
#include "vyohd_properties.h"

namespace {

using vyohd_test::Engine;
using vyohd_test::EngineTest;
using vyohd_test::Parameters;
using vyohd_test::ParametersOf;

using ks_test::NodeProperty;
using ks_test::Property;
using ks_test::PropertyIrp;

// {044AEFB5-4590-420E-9F05-73FAC19F0B27}, the KOVA engine's set
DEFINE_GUID(KSPROPSETID_KOVA_Foreign, 0x044AEFB5L, 0x4590, 0x420E, 0x9F, 0x05, 0x73, 0xFA, 0xC1, 0x9F, 0x0B, 0x27);

class PropertySetTest : public EngineTest {
protected:
    void TearDown() override
    {
        m_engine.reset();
        EngineTest::TearDown();
    }

    // Sends one request and returns its status; a get's answer lands in *value.
    NTSTATUS Send(ULONG id, ULONG flags, LONG* value, KPROCESSOR_MODE requestor = UserMode)
    {
        const KSPROPERTY property = Property(KSPROPSETID_VYOHD, id, flags);
        PropertyIrp request(&property, sizeof property, value, sizeof *value, requestor);
        const NTSTATUS status = m_engine->manager->HandlePropertyRequest(request.Irp());
        m_information = request.Irp()->IoStatus.Information;
        return status;
    }

    LONG Get(ULONG id)
    {
        LONG value = 0x7EEEEEEE;
        EXPECT_EQ(Send(id, KSPROPERTY_TYPE_GET, &value), STATUS_SUCCESS) << "get id " << id;
        return value;
    }

    NTSTATUS Set(ULONG id, LONG value) { return Send(id, KSPROPERTY_TYPE_SET, &value); }

    std::unique_ptr<Engine> m_engine = std::make_unique<Engine>();
    ULONG_PTR m_information = 0;
};

TEST_F(PropertySetTest, every_property_reads_its_default_on_a_new_manager)
{
    const struct {
        ULONG id;
        LONG value;
    } defaults[] = {
        {KSPROPERTY_VYOHD_ENABLE, 1},       {KSPROPERTY_VYOHD_QELSIZE, 0},        {KSPROPERTY_VYOHD_QELWIDTH, 80},
        {KSPROPERTY_VYOHD_SUBVIALEVEL, 60}, {KSPROPERTY_VYOHD_SUBVIASIZE, 0},     {KSPROPERTY_VYOHD_ELEVOLEVEL, 40},
        {KSPROPERTY_VYOHD_NITIDALEVEL, 160}, {KSPROPERTY_VYOHD_INPUTGAIN, 0},     {KSPROPERTY_VYOHD_OUTPUTGAIN, 0},
        {KSPROPERTY_VYOHD_LIMITERENABLE, 1}, {KSPROPERTY_VYOHD_LIMITERLEVEL, 75}, {KSPROPERTY_VYOHD_CENTERLEVEL, 50},
        {KSPROPERTY_VYOHD_QELMODE, 2},       {KSPROPERTY_VYOHD_BYPASSGAIN, -6},
    };
    for (KPROCESSOR_MODE requestor : {UserMode, KernelMode}) {
        for (const auto& d : defaults) {
            LONG value = 0x7EEEEEEE;
            EXPECT_EQ(Send(d.id, KSPROPERTY_TYPE_GET, &value, requestor), STATUS_SUCCESS) << "id " << d.id;
            EXPECT_EQ(value, d.value) << "id " << d.id;
            EXPECT_EQ(m_information, sizeof(ULONG)) << "id " << d.id;
        }
    }
}

TEST_F(PropertySetTest, sets_are_validated_and_reach_the_manager_and_its_streams)
{
    const struct {
        ULONG id;
        LONG value;
        NTSTATUS status;
        LONG readBack;
    } cases[] = {
        {KSPROPERTY_VYOHD_INPUTGAIN, -999, STATUS_SUCCESS, -999},
        {KSPROPERTY_VYOHD_INPUTGAIN, 7, STATUS_INVALID_PARAMETER, -999},
        {KSPROPERTY_VYOHD_OUTPUTGAIN, -6, STATUS_SUCCESS, -6},
        {KSPROPERTY_VYOHD_NITIDALEVEL, 400, STATUS_SUCCESS, 400},
        {KSPROPERTY_VYOHD_NITIDALEVEL, 401, STATUS_INVALID_PARAMETER, 400},
        {KSPROPERTY_VYOHD_QELMODE, 4, STATUS_INVALID_PARAMETER, 2},
        {KSPROPERTY_VYOHD_QELMODE, 3, STATUS_SUCCESS, 3},
        {KSPROPERTY_VYOHD_QELSIZE, 9, STATUS_SUCCESS, 0},
        {KSPROPERTY_VYOHD_QELSIZE, 1, STATUS_SUCCESS, 1},
        {KSPROPERTY_VYOHD_QELWIDTH, 150, STATUS_INVALID_PARAMETER, 80},
        {KSPROPERTY_VYOHD_QELWIDTH, -1, STATUS_INVALID_PARAMETER, 80},
        {KSPROPERTY_VYOHD_QELWIDTH, 35, STATUS_SUCCESS, 35},
        {KSPROPERTY_VYOHD_SUBVIASIZE, 8, STATUS_INVALID_PARAMETER, 0},
        {KSPROPERTY_VYOHD_ENABLE, 5, STATUS_SUCCESS, 1},
        {KSPROPERTY_VYOHD_LIMITERENABLE, 0, STATUS_SUCCESS, 0},
        {KSPROPERTY_VYOHD_BYPASSGAIN, 6, STATUS_SUCCESS, 6},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Set(c.id, c.value), c.status) << "set id " << c.id << " to " << c.value;
        EXPECT_EQ(m_information, 0u) << "a set returns no bytes";
        EXPECT_EQ(Get(c.id), c.readBack) << "id " << c.id << " after setting " << c.value;
        EXPECT_EQ(ParametersOf(m_engine->StreamContext()), ParametersOf(m_engine->manager)) << "the stream follows";
    }
    EXPECT_EQ(m_engine->manager->GetInputGain(), 0.0f);
    EXPECT_EQ(m_engine->manager->GetNitidaLevel(), 4.0f);
    EXPECT_NEAR(m_engine->manager->GetBypassGain(), 1.995f, 0.001f);
}

TEST_F(PropertySetTest, requests_that_are_not_the_engines_change_nothing)
{
    const Parameters before = ParametersOf(m_engine->manager);
    LONG value = 1;
    for (ULONG id : {5u, 7u, 13u, 17u, 0x1000u}) {
        EXPECT_EQ(Send(id, KSPROPERTY_TYPE_SET, &value), STATUS_NOT_IMPLEMENTED) << "undefined id " << id;
    }
    for (const GUID* set : {&GUID_NULL, &KSPROPSETID_KOVA_Foreign, &KSPROPSETID_Pin}) {
        const KSPROPERTY property = Property(*set, KSPROPERTY_VYOHD_ENABLE, KSPROPERTY_TYPE_SET);
        value = 0;
        PropertyIrp request(&property, sizeof property, &value, sizeof value);
        EXPECT_EQ(m_engine->manager->HandlePropertyRequest(request.Irp()), STATUS_NOT_IMPLEMENTED);
    }
    EXPECT_EQ(ParametersOf(m_engine->manager), before);
}

TEST_F(PropertySetTest, a_node_property_is_served_and_a_short_value_is_refused)
{
    const KSP_NODE node = NodeProperty(KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELMODE, KSPROPERTY_TYPE_GET, 3);
    LONG value = 0;
    PropertyIrp longer(&node, sizeof node, &value, sizeof value);
    EXPECT_EQ(m_engine->manager->HandlePropertyRequest(longer.Irp()), STATUS_SUCCESS);
    EXPECT_EQ(value, 2);

    const KSPROPERTY set = Property(KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELMODE, KSPROPERTY_TYPE_SET);
    value = 0;
    PropertyIrp shortValue(&set, sizeof set, &value, 3);
    EXPECT_EQ(m_engine->manager->HandlePropertyRequest(shortValue.Irp()), STATUS_BUFFER_TOO_SMALL);
    EXPECT_EQ(m_engine->manager->GetQELMode(), 2u);
}

TEST_F(PropertySetTest, without_the_floating_point_state_a_level_set_changes_nothing)
{
    sim::fpu::FailNextSaves(1, STATUS_ILLEGAL_FLOAT_CONTEXT);
    EXPECT_EQ(Set(KSPROPERTY_VYOHD_QELWIDTH, 10), STATUS_ILLEGAL_FLOAT_CONTEXT);
    EXPECT_EQ(Get(KSPROPERTY_VYOHD_QELWIDTH), 80);
}

// A client request as short as its length says, in its own heap block (so
// AddressSanitizer sees any read beyond it), and one that runs out of the
// client's memory: neither is read beyond what it is.
TEST_F(PropertySetTest, a_short_or_unreadable_client_request_is_never_read_beyond_its_end)
{
    auto shortProperty = std::make_unique<UCHAR[]>(16);
    memcpy(shortProperty.get(), &KSPROPSETID_VYOHD, 16);
    LONG value = 0;
    PropertyIrp shortRequest(shortProperty.get(), 16, &value, sizeof value);
    EXPECT_EQ(m_engine->manager->HandlePropertyRequest(shortRequest.Irp()), STATUS_NOT_IMPLEMENTED);

    sim::ClientProcess client("applet");
    sim::ProcessScope scope(client);
    PVOID page = nullptr;
    SIZE_T size = PAGE_SIZE;
    ASSERT_EQ(ZwAllocateVirtualMemory(NtCurrentProcess(), &page, 0, &size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE),
              STATUS_SUCCESS);
    const KSPROPERTY property = Property(KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELMODE, KSPROPERTY_TYPE_SET);
    auto* atEnd = static_cast<PUCHAR>(page) + PAGE_SIZE - 20;  // Flags would lie in the guard page
    memcpy(atEnd, &property, 20);
    value = 0;
    PropertyIrp unreadable(atEnd, sizeof(KSPROPERTY), &value, sizeof value);
    EXPECT_EQ(m_engine->manager->HandlePropertyRequest(unreadable.Irp()), STATUS_ACCESS_VIOLATION);
    EXPECT_EQ(m_engine->manager->GetQELMode(), 2u);
}

}  // namespace
