// Property requests through the filter: the engines answer their own sets
// (KOVA first), the filter its own set and the few standard properties it
// watches, and the card everything else exactly as it was sent. A setting
// changed by one client signals the change events of the others.

#include <drmk.h>
#include <kova_properties.h>
#include <vyohd_properties.h>

#include <cstring>
#include <deque>

#include "filter_machine.h"
#include "probe_control.h"
#include "sim/machine.h"
#include "sim/pool.h"
#include "sim/system_services.h"

namespace filtertest {
namespace {

// One client: its own process, a filter handle and a change event.
struct Client {
    std::optional<sim::ClientProcess> process;
    HANDLE filter = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
};

class PropertyRouting : public FilterMachine {
protected:
    void SetUp() override
    {
        FilterMachine::SetUp();
        InstallCard();
    }

    void TearDown() override
    {
        for (Client& client : m_clients) {
            sim::ProcessScope scope(*client.process);
            CloseHandle(client.filter);
            CloseHandle(client.event);
        }
        m_clients.clear();
        FilterMachine::TearDown();
    }

    // A client process with a filter handle and a registered change event.
    Client& AddClient(const std::string& name)
    {
        Client& client = m_clients.emplace_back();
        client.process.emplace(name);
        sim::ProcessScope scope(*client.process);
        client.filter = OpenFilter();
        client.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        EXPECT_EQ(Register(client, client.event), static_cast<DWORD>(ERROR_SUCCESS));
        return client;
    }

    DWORD Register(Client& client, HANDLE event)
    {
        sim::ProcessScope scope(*client.process);
        return ksclient::Set(client.filter, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_HANDLEPRIVATE,
                             static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(event)));
    }

    template <typename T>
    DWORD Set(Client& client, const GUID& set, ULONG id, T value)
    {
        sim::ProcessScope scope(*client.process);
        return ksclient::Set(client.filter, set, id, value);
    }

    template <typename T>
    DWORD Get(Client& client, const GUID& set, ULONG id, T* value)
    {
        sim::ProcessScope scope(*client.process);
        return ksclient::Get(client.filter, set, id, value);
    }

    // Which clients' events are signalled (and resets them).
    std::vector<bool> Signalled()
    {
        std::vector<bool> signalled;
        for (Client& client : m_clients) {
            sim::ProcessScope scope(*client.process);
            signalled.push_back(WaitForSingleObject(client.event, 0) == WAIT_OBJECT_0);
            ResetEvent(client.event);
        }
        return signalled;
    }

    std::deque<Client> m_clients;  // references stay valid as clients are added
};

TEST_F(PropertyRouting, an_engine_setting_changed_by_one_client_signals_every_other_client)
{
    Client& first = AddClient("first");
    AddClient("second");
    AddClient("third");
    const struct {
        const char* name;
        const GUID* set;
        ULONG id;
        bool isSet;
        LONG value;
        DWORD error;
        std::vector<bool> signalled;
    } cases[] = {
        {"a VYO HD level set", &KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELWIDTH, true, 50, ERROR_SUCCESS,
         {false, true, true}},
        {"a VYO HD level get", &KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELWIDTH, false, 50, ERROR_SUCCESS,
         {false, false, false}},
        {"a KOVA level set", &KSPROPSETID_KOVA, KSPROPERTY_KOVA_SUBVIALEVEL, true, 30, ERROR_SUCCESS,
         {false, true, true}},
        {"a KOVA level get", &KSPROPSETID_KOVA, KSPROPERTY_KOVA_SUBVIALEVEL, false, 30, ERROR_SUCCESS,
         {false, false, false}},
        {"a VYO HD level the engine refuses", &KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELWIDTH, true, 500,
         ERROR_INVALID_PARAMETER, {false, false, false}},
    };
    for (const auto& c : cases) {
        LONG value = c.value;
        const DWORD error = c.isSet ? Set(first, *c.set, c.id, value) : Get(first, *c.set, c.id, &value);
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
        EXPECT_EQ(Signalled(), c.signalled) << c.name;
    }
}

TEST_F(PropertyRouting, procmode_sets_signal_the_other_clients_even_when_refused)
{
    Client& first = AddClient("first");
    Client& second = AddClient("second");
    EXPECT_EQ(Set(first, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, ULONG{3}), 0u);
    EXPECT_EQ(Signalled(), (std::vector<bool>{false, true}));
    EXPECT_EQ(Set(second, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, ULONG{7}),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Signalled(), (std::vector<bool>{true, false}));
    ULONG procMode = 0;
    EXPECT_EQ(Get(first, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, &procMode), 0u);
    EXPECT_EQ(procMode, 3u) << "the refused value changed nothing";
    EXPECT_EQ(Signalled(), (std::vector<bool>{false, false})) << "a get signals nobody";
}

TEST_F(PropertyRouting, a_client_registers_one_event_at_a_time_until_it_unregisters_or_closes)
{
    Client& first = AddClient("first");
    Client& second = AddClient("second");
    HANDLE replacement = nullptr;
    {
        sim::ProcessScope scope(*first.process);
        replacement = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    EXPECT_EQ(Register(first, replacement), 0u);
    EXPECT_EQ(sim::pool::Usage("ELI ").liveBlocks, 2u) << "one entry per client";
    EXPECT_EQ(Set(second, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, ULONG{0}), 0u);
    {
        sim::ProcessScope scope(*first.process);
        EXPECT_EQ(WaitForSingleObject(replacement, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "the new event";
        ResetEvent(replacement);
    }
    EXPECT_EQ(Signalled(), (std::vector<bool>{false, false})) << "not the replaced one";

    EXPECT_EQ(Register(first, nullptr), 0u);
    EXPECT_EQ(sim::pool::Usage("ELI ").liveBlocks, 1u);
    EXPECT_EQ(Set(second, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, ULONG{0}), 0u);
    {
        sim::ProcessScope scope(*first.process);
        EXPECT_EQ(WaitForSingleObject(replacement, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "unregistered";
        CloseHandle(replacement);
    }
    {
        sim::ProcessScope scope(*second.process);
        CloseHandle(second.filter);
        second.filter = INVALID_HANDLE_VALUE;
    }
    EXPECT_EQ(sim::pool::Usage("ELI ").liveBlocks, 0u) << "closing the handle unregisters";
}

struct KernelEvent {
    KEVENT done;
    HANDLE handle = nullptr;
};

VOID NTAPI CreateKernelEvent(PVOID context)
{
    auto* request = static_cast<KernelEvent*>(context);
    NtCreateEvent(&request->handle, EVENT_ALL_ACCESS, nullptr, NotificationEvent, FALSE);
    KeSetEvent(&request->done, IO_NO_INCREMENT, FALSE);
    PsTerminateSystemThread(STATUS_SUCCESS);
}

// The handle is resolved in the requester's process with the requester's
// access: anything but an event of its own is refused, and the client keeps
// no registration.
TEST_F(PropertyRouting, a_change_event_must_be_an_event_handle_of_the_client_itself)
{
    Client& first = AddClient("first");
    Client& second = AddClient("second");
    KernelEvent kernelEvent;
    KeInitializeEvent(&kernelEvent.done, NotificationEvent, FALSE);
    HANDLE thread = nullptr;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    ASSERT_EQ(PsCreateSystemThread(&thread, THREAD_ALL_ACCESS, &attributes, nullptr, nullptr, CreateKernelEvent,
                                   &kernelEvent),
              STATUS_SUCCESS);
    KeWaitForSingleObject(&kernelEvent.done, Executive, KernelMode, FALSE, nullptr);
    ZwClose(thread);
    ASSERT_NE(kernelEvent.handle, nullptr);

    const struct {
        const char* name;
        HANDLE handle;
    } cases[] = {
        {"the filter handle, not an event", first.filter},
        {"a handle the process does not have", reinterpret_cast<HANDLE>(0x7ff0)},
        {"an event of the system process", kernelEvent.handle},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Register(first, c.handle), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << c.name;
        EXPECT_EQ(sim::pool::Usage("ELI ").liveBlocks, 1u) << c.name << ": the first client has no registration";
    }
    EXPECT_EQ(Set(second, KSPROPSETID_VYOFilter, KSPROPERTY_VYOFILTER_PROCMODE, ULONG{0}), 0u);
    PVOID event = nullptr;
    ASSERT_EQ(ObReferenceObjectByHandle(kernelEvent.handle, 0, *ExEventObjectType, KernelMode, &event, nullptr),
              STATUS_SUCCESS);
    EXPECT_EQ(KeReadStateEvent(static_cast<PKEVENT>(event)), 0) << "the system's event is never signalled";
    ObDereferenceObject(event);
    ZwClose(kernelEvent.handle);
}

// The speaker geometry reaches the card first; headphones then make the
// VYO HD engine's QELSize 1, any speaker angle 0.
TEST_F(PropertyRouting, speaker_geometry_the_card_accepts_sets_vyohd_qelsize)
{
    vcard::CardRefusals refusals;
    refusals.speakerGeometry = 20;
    Refuse(refusals);
    Client& client = AddClient("client");
    auto setGeometry = [&](LONG geometry) {
        sim::ProcessScope scope(*client.process);
        KSP_NODE property{};
        property.Property = ksclient::MakeProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY,
                                                   KSPROPERTY_TYPE_SET);
        property.NodeId = 3;
        return ksclient::Property(client.filter, &property, sizeof property, &geometry, sizeof geometry);
    };
    auto cardGeometry = [&] {
        sim::ProcessScope scope(*client.process);
        KSP_NODE property{};
        property.Property = ksclient::MakeProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY,
                                                   KSPROPERTY_TYPE_GET);
        LONG geometry = 0;
        EXPECT_EQ(ksclient::Property(client.filter, &property, sizeof property, &geometry, sizeof geometry), 0u);
        return geometry;
    };
    const struct {
        LONG geometry;
        bool accepted;
        ULONG qelSize;
    } cases[] = {{KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE, true, 1},
                 {KSAUDIO_STEREO_SPEAKER_GEOMETRY_NARROW, true, 0},
                 {KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE, true, 1},
                 {KSAUDIO_STEREO_SPEAKER_GEOMETRY_WIDE, false, 1}};
    LONG expectedCard = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(setGeometry(c.geometry) == ERROR_SUCCESS, c.accepted) << "geometry " << c.geometry;
        expectedCard = c.accepted ? c.geometry : expectedCard;
        ULONG qelSize = 99;
        EXPECT_EQ(Get(client, KSPROPSETID_VYOHD, KSPROPERTY_VYOHD_QELSIZE, &qelSize), 0u);
        EXPECT_EQ(qelSize, c.qelSize) << "geometry " << c.geometry;
        EXPECT_EQ(cardGeometry(), expectedCard) << "the card's own answer to a get";
    }
}

// What the filter does not handle arrives below it with the requester's
// own buffers and lengths, from the requester (UserMode).
TEST_F(PropertyRouting, properties_the_filter_does_not_handle_reach_the_card_exactly_as_sent)
{
    InstallCard({L"vfprobe"}, L"ROOT\\MEDIA\\0001");
    ProbeControl probe;
    const auto devices = ksclient::RenderDevices();
    ASSERT_EQ(devices.size(), 2u);
    HANDLE filter = ksclient::OpenFilter(devices[1]);
    ASSERT_NE(filter, INVALID_HANDLE_VALUE);
    const WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(2, 48000, 16);
    HANDLE pin = StartPin(filter, &wave.Format);
    // {6A6C1B2E-0000-4000-8000-00000000ABCD}: a set nobody knows.
    const GUID unknownSet = {0x6A6C1B2E, 0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0xAB, 0xCD}};
    const struct {
        const char* name;
        HANDLE object;
        GUID set;
        ULONG id;
        ULONG flags;
        ULONG propertyBytes;
        ULONG valueBytes;
    } cases[] = {
        {"the data format get", pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT, KSPROPERTY_TYPE_GET,
         sizeof(KSPROPERTY), 104},
        {"the state get", pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, KSPROPERTY_TYPE_GET,
         sizeof(KSPROPERTY), sizeof(KSSTATE)},
        {"the pin instances get", filter, KSPROPSETID_Pin, KSPROPERTY_PIN_CINSTANCES, KSPROPERTY_TYPE_GET,
         sizeof(KSP_PIN), sizeof(KSPIN_CINSTANCES)},
        {"the position get", pin, KSPROPSETID_Audio, KSPROPERTY_AUDIO_POSITION, KSPROPERTY_TYPE_GET,
         sizeof(KSPROPERTY), sizeof(KSAUDIO_POSITION)},
        {"a set of an unknown property set", pin, unknownSet, 1, KSPROPERTY_TYPE_SET, sizeof(KSPROPERTY), 4},
        {"a connection set the filter does not watch", pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_PRIORITY,
         KSPROPERTY_TYPE_SET, sizeof(KSPROPERTY), sizeof(KSPRIORITY)},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> property(c.propertyBytes, 0);
        KSPROPERTY head = ksclient::MakeProperty(c.set, c.id, c.flags);
        std::memcpy(property.data(), &head, sizeof head);
        std::vector<std::uint8_t> value(c.valueBytes, 0x5A);
        probe.Reset();
        ksclient::Property(c.object, property.data(), c.propertyBytes, value.data(), c.valueBytes);
        const auto records = probe.Records();
        ASSERT_EQ(records.size(), 1u) << c.name;
        const ProbeRecord& record = records[0];
        EXPECT_EQ(record.IoControlCode, static_cast<ULONG>(IOCTL_KS_PROPERTY)) << c.name;
        EXPECT_EQ(record.Type3InputBuffer, property.data()) << c.name << ": the requester's own property";
        EXPECT_EQ(record.InputBufferLength, c.propertyBytes) << c.name;
        EXPECT_EQ(record.UserBuffer, value.data()) << c.name << ": the requester's own value";
        EXPECT_EQ(record.OutputBufferLength, c.valueBytes) << c.name;
        EXPECT_EQ(record.RequestorMode, UserMode) << c.name;
        EXPECT_EQ(std::memcmp(record.Property, property.data(), sizeof(KSPROPERTY)), 0) << c.name;
    }
    CloseHandle(pin);
    CloseHandle(filter);
}

// A content id request carries the function the driver calls to forward
// the content; only a kernel-mode requester may have it called.
struct ForwardCall {
    int calls = 0;
    ULONG contentId = 0;
    DRMFORWARD forward{};
};
ForwardCall gForwardCall;

NTSTATUS NTAPI RecordForward(ULONG ContentId, PVOID Reserved, PCDRMFORWARD DrmForward)
{
    (void)Reserved;
    gForwardCall.calls += 1;
    gForwardCall.contentId = ContentId;
    gForwardCall.forward = *DrmForward;
    return STATUS_SUCCESS;
}

TEST_F(PropertyRouting, drm_content_is_forwarded_for_kernel_mode_requesters_and_refused_to_clients)
{
    gForwardCall = {};
    HANDLE filter = OpenFilter();
    const WAVEFORMATEXTENSIBLE wave = ksclient::PcmFormat(2, 48000, 16);
    HANDLE pin = StartPin(filter, &wave.Format);
    KSP_DRMAUDIOSTREAM_CONTENTID property{};
    property.Property = ksclient::MakeProperty(KSPROPSETID_DrmAudioStream, KSPROPERTY_DRMAUDIOSTREAM_CONTENTID,
                                               KSPROPERTY_TYPE_SET);
    property.Context = &gForwardCall;
    property.DrmForwardContentToDeviceObject = RecordForward;
    KSDRMAUDIOSTREAM_CONTENTID content{};
    content.ContentId = 42;

    EXPECT_EQ(ksclient::Property(pin, &property, sizeof property, &content, sizeof content),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(gForwardCall.calls, 0) << "a client's request never has the driver call its function";

    PVOID file = nullptr;
    ASSERT_EQ(ObReferenceObjectByHandle(pin, 0, *IoFileObjectType, KernelMode, &file, nullptr), STATUS_SUCCESS);
    const auto stack = [] {
        std::vector<PDEVICE_OBJECT> devices;
        for (PDEVICE_OBJECT d = sim::machine::PhysicalDevice(vcard::kCardInstance); d != nullptr; d = d->AttachedDevice) {
            devices.push_back(d);
        }
        return devices;
    }();
    ASSERT_EQ(stack.size(), 3u);
    KEVENT done;
    IO_STATUS_BLOCK ioStatus{};
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    PIRP irp = IoBuildDeviceIoControlRequest(IOCTL_KS_PROPERTY, stack[2], &property, sizeof property, &content,
                                             sizeof content, FALSE, &done, &ioStatus);
    ASSERT_NE(irp, nullptr);
    IoGetNextIrpStackLocation(irp)->FileObject = static_cast<PFILE_OBJECT>(file);
    EXPECT_EQ(IofCallDriver(stack[2], irp), STATUS_SUCCESS);
    EXPECT_EQ(gForwardCall.calls, 1);
    EXPECT_EQ(gForwardCall.contentId, 42u);
    EXPECT_EQ(gForwardCall.forward.DeviceObject, stack[1]) << "the card below the filter";
    EXPECT_EQ(gForwardCall.forward.FileObject, file) << "the pin's stream there";
    EXPECT_EQ(gForwardCall.forward.Context, &gForwardCall);
    ObDereferenceObject(file);
    CloseHandle(pin);
    CloseHandle(filter);
}

}  // namespace
}  // namespace filtertest
