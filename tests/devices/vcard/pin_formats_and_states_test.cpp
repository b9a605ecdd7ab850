// A pin's formats and states: which formats the card takes at the pin's
// creation and later, how the format and state read back, and the
// refusals a test configures to drive the layers above into their error
// paths.

#include <cstring>

#include "card_fixture.h"

namespace vcardtest {
namespace {

using ksclient::ErrorName;

class PinFormatsAndStates : public CardMachine {
protected:
    void SetUp() override
    {
        CardMachine::SetUp();
        Install();
        m_filter = OpenFilter();
    }

    std::vector<std::uint8_t> GetFormat(HANDLE pin, DWORD* error)
    {
        KSPROPERTY property =
            ksclient::MakeProperty(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT, KSPROPERTY_TYPE_GET);
        std::vector<std::uint8_t> format(256);
        DWORD returned = 0;
        *error = ksclient::Property(pin, &property, sizeof property, format.data(),
                                    static_cast<ULONG>(format.size()), &returned);
        format.resize(returned);
        return format;
    }

    HANDLE m_filter = INVALID_HANDLE_VALUE;
};

WAVEFORMATEXTENSIBLE WithBlockAlign(WAVEFORMATEXTENSIBLE format, WORD blockAlign)
{
    format.Format.nBlockAlign = blockAlign;
    return format;
}

WAVEFORMATEXTENSIBLE WithTag(WAVEFORMATEXTENSIBLE format, WORD tag)
{
    format.Format.wFormatTag = tag;
    return format;
}

TEST_F(PinFormatsAndStates, a_pin_is_created_for_the_formats_the_card_plays_and_refused_for_others)
{
    using ksclient::PcmFormat;
    const struct {
        const char* name;
        WAVEFORMATEXTENSIBLE format;
        DWORD error;
    } cases[] = {
        {"16-bit stereo 44.1 kHz", PcmFormat(2, 44100, 16), ERROR_SUCCESS},
        {"8-bit mono 8 kHz", PcmFormat(1, 8000, 8), ERROR_SUCCESS},
        {"24-bit 6 channels 48 kHz (extensible)", PcmFormat(6, 48000, 24), ERROR_SUCCESS},
        {"32-bit 8 channels 192 kHz (extensible)", PcmFormat(8, 192000, 32), ERROR_SUCCESS},
        {"9 channels", PcmFormat(9, 48000, 16), ERROR_NO_MATCH},
        {"20-bit samples", PcmFormat(2, 48000, 20), ERROR_NO_MATCH},
        {"7999 Hz", PcmFormat(2, 7999, 16), ERROR_NO_MATCH},
        {"192001 Hz", PcmFormat(2, 192001, 16), ERROR_NO_MATCH},
        {"floating point", WithTag(PcmFormat(2, 48000, 32), WAVE_FORMAT_IEEE_FLOAT), ERROR_NO_MATCH},
        {"a block size that is not the frame's", WithBlockAlign(PcmFormat(2, 48000, 16), 2), ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        HANDLE pin = nullptr;
        const DWORD error = ksclient::CreateRenderPin(m_filter, &c.format.Format, false, &pin);
        EXPECT_EQ(error, c.error) << c.name << ": " << ErrorName(error);
        if (error == ERROR_SUCCESS) {
            CloseHandle(pin);
        }
    }
}

TEST_F(PinFormatsAndStates, a_connection_the_card_does_not_offer_is_refused)
{
    const auto stereo = ksclient::PcmFormat(2, 48000, 16);
    const auto format = ksclient::WaveDataFormat(&stereo.Format);
    const struct {
        const char* name;
        ULONG pinId;
        ULONG interfaceId;
        DWORD error;
    } cases[] = {
        {"pin factory 1", 1, KSINTERFACE_STANDARD_STREAMING, ERROR_INVALID_PARAMETER},
        {"the control interface", 0, KSINTERFACE_STANDARD_CONTROL, ERROR_NO_MATCH},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> request(sizeof(KSPIN_CONNECT) + format.size());
        KSPIN_CONNECT connect{};
        connect.Interface.Set = KSINTERFACESETID_Standard;
        connect.Interface.Id = c.interfaceId;
        connect.Medium.Set = KSMEDIUMSETID_Standard;
        connect.PinId = c.pinId;
        std::memcpy(request.data(), &connect, sizeof connect);
        std::memcpy(request.data() + sizeof connect, format.data(), format.size());
        HANDLE pin = nullptr;
        EXPECT_EQ(KsCreatePin(m_filter, reinterpret_cast<PKSPIN_CONNECT>(request.data()), GENERIC_WRITE, &pin),
                  c.error)
            << c.name;
    }
}

TEST_F(PinFormatsAndStates, the_format_reads_back_as_set_and_does_not_change_while_the_pin_runs)
{
    const auto first = ksclient::PcmFormat(2, 44100, 16);
    HANDLE pin = CreatePin(m_filter, &first.Format);
    DWORD error = 0;
    EXPECT_EQ(GetFormat(pin, &error), ksclient::WaveDataFormat(&first.Format)) << ErrorName(error);

    const auto second = ksclient::PcmFormat(6, 48000, 24);
    ASSERT_EQ(ksclient::SetFormat(pin, &second.Format), ERROR_SUCCESS);
    const auto secondBytes = GetFormat(pin, &error);
    EXPECT_EQ(secondBytes.size(), 104u) << "KSDATAFORMAT and WAVEFORMATEXTENSIBLE";
    EXPECT_EQ(secondBytes, ksclient::WaveDataFormat(&second.Format));

    KSDATAFORMAT_DSOUND dsound{};
    dsound.DataFormat.FormatSize = sizeof dsound;
    dsound.DataFormat.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    dsound.DataFormat.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    dsound.DataFormat.Specifier = KSDATAFORMAT_SPECIFIER_DSOUND;
    dsound.BufferDesc.WaveFormatEx = ksclient::PcmFormat(2, 22050, 16).Format;
    KSPROPERTY set = ksclient::MakeProperty(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_DATAFORMAT,
                                            KSPROPERTY_TYPE_SET);
    ASSERT_EQ(ksclient::Property(pin, &set, sizeof set, &dsound, sizeof dsound), ERROR_SUCCESS);
    const auto dsoundBytes = GetFormat(pin, &error);
    ASSERT_EQ(dsoundBytes.size(), sizeof dsound);
    EXPECT_EQ(std::memcmp(dsoundBytes.data(), &dsound, sizeof dsound), 0) << "the wave format at byte 72";

    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
    EXPECT_EQ(ksclient::SetFormat(pin, &first.Format), ERROR_BAD_COMMAND);
    EXPECT_EQ(GetFormat(pin, &error), dsoundBytes) << "a refused format changes nothing";
    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_STOP), ERROR_SUCCESS);
    EXPECT_EQ(ksclient::SetFormat(pin, &first.Format), ERROR_SUCCESS);
    CloseHandle(pin);
}

TEST_F(PinFormatsAndStates, a_pin_keeps_the_last_state_it_was_set_to)
{
    const auto stereo = ksclient::PcmFormat(2, 48000, 16);
    HANDLE pin = CreatePin(m_filter, &stereo.Format);
    KSSTATE state = KSSTATE_RUN;
    ASSERT_EQ(ksclient::Get(pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, &state), ERROR_SUCCESS);
    EXPECT_EQ(state, KSSTATE_STOP) << "a new pin is stopped";
    for (KSSTATE next : {KSSTATE_ACQUIRE, KSSTATE_PAUSE, KSSTATE_RUN, KSSTATE_PAUSE, KSSTATE_STOP, KSSTATE_RUN}) {
        ASSERT_EQ(ksclient::SetState(pin, next), ERROR_SUCCESS);
        ASSERT_EQ(ksclient::Get(pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, &state), ERROR_SUCCESS);
        EXPECT_EQ(state, next);
    }
    EXPECT_EQ(ksclient::Set(pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, ULONG{4}), ERROR_INVALID_PARAMETER)
        << "there is no state after KSSTATE_RUN";
    CloseHandle(pin);
}

TEST_F(PinFormatsAndStates, configured_refusals_fail_the_requests_they_name_for_objects_opened_afterwards)
{
    const auto cd = ksclient::PcmFormat(2, 44100, 16);
    HANDLE before = CreatePin(m_filter, &cd.Format);
    vcard::CardRefusals refusals;
    refusals.sampleRate = 48000;
    refusals.states = 1u << KSSTATE_RUN;
    refusals.speakerGeometry = KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE;
    refusals.positionQuery = true;
    refusals.formatQuery = true;
    Refuse(refusals);

    HANDLE filter = OpenFilter();
    HANDLE pin = nullptr;
    const auto dvd = ksclient::PcmFormat(2, 48000, 16);
    EXPECT_EQ(ksclient::CreateRenderPin(filter, &dvd.Format, false, &pin), ERROR_NO_MATCH);
    pin = CreatePin(filter, &cd.Format);
    EXPECT_EQ(ksclient::SetFormat(pin, &dvd.Format), ERROR_NO_MATCH);
    EXPECT_EQ(ksclient::SetState(pin, KSSTATE_PAUSE), ERROR_SUCCESS);
    EXPECT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_BAD_COMMAND);
    KSSTATE state = KSSTATE_STOP;
    ksclient::Get(pin, KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, &state);
    EXPECT_EQ(state, KSSTATE_PAUSE) << "a refused state leaves the pin where it was";
    KSAUDIO_POSITION position{};
    EXPECT_EQ(ksclient::GetPosition(pin, &position), ERROR_GEN_FAILURE);
    DWORD error = 0;
    GetFormat(pin, &error);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_GEN_FAILURE));

    KSP_NODE node{};
    node.Property = ksclient::MakeProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY,
                                           KSPROPERTY_TYPE_SET);
    LONG geometry = KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE;
    EXPECT_EQ(ksclient::Property(filter, &node, sizeof node, &geometry, sizeof geometry), ERROR_NOT_SUPPORTED);
    geometry = KSAUDIO_STEREO_SPEAKER_GEOMETRY_NARROW;
    EXPECT_EQ(ksclient::Property(filter, &node, sizeof node, &geometry, sizeof geometry), ERROR_SUCCESS);

    EXPECT_EQ(ksclient::SetFormat(before, &dvd.Format), ERROR_SUCCESS) << "a pin keeps the settings it was made with";
    CloseHandle(before);
    CloseHandle(pin);
    CloseHandle(filter);
}

TEST_F(PinFormatsAndStates, the_speaker_geometry_is_one_value_for_the_card_on_any_node)
{
    const auto stereo = ksclient::PcmFormat(2, 48000, 16);
    HANDLE pin = CreatePin(m_filter, &stereo.Format);
    KSP_NODE node{};
    node.Property = ksclient::MakeProperty(KSPROPSETID_Audio, KSPROPERTY_AUDIO_STEREO_SPEAKER_GEOMETRY,
                                           KSPROPERTY_TYPE_GET);
    node.NodeId = 7;
    LONG geometry = 0;
    ASSERT_EQ(ksclient::Property(pin, &node, sizeof node, &geometry, sizeof geometry), ERROR_SUCCESS);
    EXPECT_EQ(geometry, KSAUDIO_STEREO_SPEAKER_GEOMETRY_WIDE) << "the card starts with wide speakers";

    const struct {
        LONG value;
        DWORD error;
    } sets[] = {{KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE, ERROR_SUCCESS}, {4, ERROR_INVALID_PARAMETER},
                {181, ERROR_INVALID_PARAMETER}, {0, ERROR_INVALID_PARAMETER}};
    node.Property.Flags = KSPROPERTY_TYPE_SET;
    for (const auto& set : sets) {
        LONG value = set.value;
        EXPECT_EQ(ksclient::Property(m_filter, &node, sizeof node, &value, sizeof value), set.error) << set.value;
    }
    node.Property.Flags = KSPROPERTY_TYPE_GET;
    ASSERT_EQ(ksclient::Property(pin, &node, sizeof node, &geometry, sizeof geometry), ERROR_SUCCESS);
    EXPECT_EQ(geometry, KSAUDIO_STEREO_SPEAKER_GEOMETRY_HEADPHONE) << "set on the filter, read on the pin";
    KSPROPERTY plain = node.Property;
    EXPECT_EQ(ksclient::Property(pin, &plain, sizeof plain, &geometry, sizeof geometry), ERROR_INSUFFICIENT_BUFFER)
        << "the geometry is a node's property";
    CloseHandle(pin);
}

}  // namespace
}  // namespace vcardtest
