// The card's filter as a client queries it: its one pin factory, the data
// ranges and interfaces of that pin, data intersection, and the answers to
// properties it does not have.

#include <cstring>

#include "card_fixture.h"

namespace vcardtest {
namespace {

using ksclient::ErrorName;

class FilterProperties : public CardMachine {
protected:
    void SetUp() override
    {
        CardMachine::SetUp();
        Install();
        m_filter = OpenFilter();
    }

    DWORD GetPinProperty(ULONG id, void* value, ULONG bytes, DWORD* returned, ULONG pinId = 0)
    {
        KSP_PIN property = ksclient::MakePinProperty(KSPROPSETID_Pin, id, pinId);
        return ksclient::Property(m_filter, &property, sizeof(property), value, bytes, returned);
    }

    HANDLE m_filter = INVALID_HANDLE_VALUE;
};

TEST_F(FilterProperties, the_filter_has_one_pcm_render_pin_for_8_to_32_bits_1_to_8_channels_8_to_192_khz)
{
    ULONG types = 0;
    ASSERT_EQ(ksclient::Get(m_filter, KSPROPSETID_Pin, KSPROPERTY_PIN_CTYPES, &types), ERROR_SUCCESS);
    EXPECT_EQ(types, 1u);
    KSPIN_DATAFLOW flow{};
    EXPECT_EQ(GetPinProperty(KSPROPERTY_PIN_DATAFLOW, &flow, sizeof flow, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(flow, KSPIN_DATAFLOW_IN);

    struct {
        KSMULTIPLE_ITEM header;
        KSDATARANGE_AUDIO ranges[2];
    } answer{};
    DWORD returned = 0;
    ASSERT_EQ(GetPinProperty(KSPROPERTY_PIN_DATARANGES, &answer, sizeof answer, &returned), ERROR_SUCCESS);
    EXPECT_EQ(returned, sizeof answer);
    EXPECT_EQ(answer.header.Size, sizeof answer);
    ASSERT_EQ(answer.header.Count, 2u);
    const GUID specifiers[2] = {KSDATAFORMAT_SPECIFIER_WAVEFORMATEX, KSDATAFORMAT_SPECIFIER_DSOUND};
    for (int i = 0; i < 2; ++i) {
        const KSDATARANGE_AUDIO& range = answer.ranges[i];
        EXPECT_EQ(range.DataRange.FormatSize, sizeof(KSDATARANGE_AUDIO));
        EXPECT_TRUE(IsEqualGUID(range.DataRange.MajorFormat, KSDATAFORMAT_TYPE_AUDIO));
        EXPECT_TRUE(IsEqualGUID(range.DataRange.SubFormat, KSDATAFORMAT_SUBTYPE_PCM));
        EXPECT_TRUE(IsEqualGUID(range.DataRange.Specifier, specifiers[i])) << "range " << i;
        EXPECT_EQ(range.MaximumChannels, 8u);
        EXPECT_EQ(range.MinimumBitsPerSample, 8u);
        EXPECT_EQ(range.MaximumBitsPerSample, 32u);
        EXPECT_EQ(range.MinimumSampleFrequency, 8000u);
        EXPECT_EQ(range.MaximumSampleFrequency, 192000u);
    }

    struct {
        KSMULTIPLE_ITEM header;
        KSPIN_INTERFACE interfaces[2];
    } interfaces{};
    ASSERT_EQ(GetPinProperty(KSPROPERTY_PIN_INTERFACES, &interfaces, sizeof interfaces, &returned), ERROR_SUCCESS);
    ASSERT_EQ(interfaces.header.Count, 2u);
    EXPECT_EQ(interfaces.header.Size, sizeof interfaces);
    EXPECT_TRUE(IsEqualGUID(interfaces.interfaces[0].Set, KSINTERFACESETID_Standard));
    EXPECT_EQ(interfaces.interfaces[0].Id, static_cast<ULONG>(KSINTERFACE_STANDARD_STREAMING));
    EXPECT_TRUE(IsEqualGUID(interfaces.interfaces[1].Set, KSINTERFACESETID_Standard));
    EXPECT_EQ(interfaces.interfaces[1].Id, static_cast<ULONG>(KSINTERFACE_STANDARD_LOOPED_STREAMING));
}

TEST_F(FilterProperties, a_list_answers_its_size_its_header_or_all_of_it_as_the_buffer_allows)
{
    constexpr ULONG kAll = sizeof(KSMULTIPLE_ITEM) + 2 * sizeof(KSDATARANGE_AUDIO);
    const struct {
        ULONG bufferBytes;
        DWORD error;
        DWORD returned;
    } cases[] = {
        {0, ERROR_MORE_DATA, kAll},              // how large is the answer?
        {sizeof(ULONG), ERROR_SUCCESS, 4},       // its size only
        {sizeof(KSMULTIPLE_ITEM), ERROR_SUCCESS, 8},  // its size and count
        {kAll - 1, ERROR_INSUFFICIENT_BUFFER, 0},
        {kAll, ERROR_SUCCESS, kAll},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> buffer(kAll + 8, 0xEE);
        DWORD returned = 99;
        const DWORD error = GetPinProperty(KSPROPERTY_PIN_DATARANGES, c.bufferBytes ? buffer.data() : nullptr,
                                           c.bufferBytes, &returned);
        EXPECT_EQ(error, c.error) << c.bufferBytes << " bytes: " << ErrorName(error);
        EXPECT_EQ(returned, c.returned) << c.bufferBytes << " bytes";
        if (c.error == ERROR_SUCCESS) {
            ULONG size = 0;
            std::memcpy(&size, buffer.data(), sizeof size);
            EXPECT_EQ(size, kAll);
            EXPECT_EQ(buffer[c.bufferBytes], 0xEE) << "nothing is written past the answer";
        }
    }
}

KSDATARANGE_AUDIO ClientRange(ULONG channels, ULONG minBits, ULONG maxBits, ULONG minRate, ULONG maxRate,
                              const GUID& specifier = KSDATAFORMAT_SPECIFIER_WAVEFORMATEX)
{
    KSDATARANGE_AUDIO range{};
    range.DataRange.FormatSize = sizeof(range);
    range.DataRange.MajorFormat = KSDATAFORMAT_TYPE_AUDIO;
    range.DataRange.SubFormat = KSDATAFORMAT_SUBTYPE_PCM;
    range.DataRange.Specifier = specifier;
    range.MaximumChannels = channels;
    range.MinimumBitsPerSample = minBits;
    range.MaximumBitsPerSample = maxBits;
    range.MinimumSampleFrequency = minRate;
    range.MaximumSampleFrequency = maxRate;
    return range;
}

TEST_F(FilterProperties, data_intersection_answers_the_highest_format_both_ranges_allow)
{
    const struct {
        const char* name;
        KSDATARANGE_AUDIO range;
        DWORD error;
        WORD channels;
        WORD bits;
        DWORD rate;
    } cases[] = {
        {"stereo 16-bit up to 48 kHz", ClientRange(2, 16, 16, 44100, 48000), ERROR_SUCCESS, 2, 16, 48000},
        {"anything", ClientRange(32, 1, 64, 1, 1000000), ERROR_SUCCESS, 8, 32, 192000},
        {"up to 20 bits", ClientRange(2, 8, 20, 8000, 8000), ERROR_SUCCESS, 2, 16, 8000},
        {"only 20 bits", ClientRange(2, 20, 20, 48000, 48000), ERROR_NO_MATCH, 0, 0, 0},
        {"above 192 kHz", ClientRange(2, 16, 16, 200000, 400000), ERROR_NO_MATCH, 0, 0, 0},
        {"no channels", ClientRange(0, 16, 16, 48000, 48000), ERROR_NO_MATCH, 0, 0, 0},
    };
    for (const auto& c : cases) {
        struct {
            KSP_PIN pin;
            KSMULTIPLE_ITEM header;
            KSDATARANGE_AUDIO range;
        } request{ksclient::MakePinProperty(KSPROPSETID_Pin, KSPROPERTY_PIN_DATAINTERSECTION, 0),
                  {sizeof(KSMULTIPLE_ITEM) + sizeof(KSDATARANGE_AUDIO), 1},
                  c.range};
        KSDATAFORMAT_WAVEFORMATEX result{};
        DWORD returned = 0;
        const DWORD error = ksclient::Property(m_filter, &request, sizeof request, &result, sizeof result, &returned);
        ASSERT_EQ(error, c.error) << c.name << ": " << ErrorName(error);
        if (c.error != ERROR_SUCCESS) {
            continue;
        }
        EXPECT_EQ(returned, sizeof result) << c.name;
        EXPECT_TRUE(IsEqualGUID(result.DataFormat.Specifier, KSDATAFORMAT_SPECIFIER_WAVEFORMATEX)) << c.name;
        EXPECT_EQ(result.WaveFormatEx.nChannels, c.channels) << c.name;
        EXPECT_EQ(result.WaveFormatEx.wBitsPerSample, c.bits) << c.name;
        EXPECT_EQ(result.WaveFormatEx.nSamplesPerSec, c.rate) << c.name;
        EXPECT_EQ(result.WaveFormatEx.nBlockAlign, c.channels * c.bits / 8) << c.name;
    }
}

TEST_F(FilterProperties, data_intersection_takes_the_first_range_that_matches_and_keeps_its_specifier)
{
    struct {
        KSP_PIN pin;
        KSMULTIPLE_ITEM header;
        KSDATARANGE_AUDIO ranges[2];
    } request{ksclient::MakePinProperty(KSPROPSETID_Pin, KSPROPERTY_PIN_DATAINTERSECTION, 0),
              {sizeof(KSMULTIPLE_ITEM) + 2 * sizeof(KSDATARANGE_AUDIO), 2},
              {ClientRange(2, 12, 12, 44100, 44100), ClientRange(1, 8, 8, 22050, 22050, KSDATAFORMAT_SPECIFIER_DSOUND)}};
    DWORD returned = 0;
    EXPECT_EQ(ksclient::Property(m_filter, &request, sizeof request, nullptr, 0, &returned), ERROR_MORE_DATA);
    EXPECT_EQ(returned, sizeof(KSDATAFORMAT_DSOUND)) << "a zero-length buffer learns the size of the answer";
    KSDATAFORMAT_DSOUND result{};
    ASSERT_EQ(ksclient::Property(m_filter, &request, sizeof request, &result, sizeof result, &returned),
              ERROR_SUCCESS);
    EXPECT_TRUE(IsEqualGUID(result.DataFormat.Specifier, KSDATAFORMAT_SPECIFIER_DSOUND));
    EXPECT_EQ(result.BufferDesc.WaveFormatEx.nChannels, 1);
    EXPECT_EQ(result.BufferDesc.WaveFormatEx.nSamplesPerSec, 22050u);

    request.header.Size = 4;  // shorter than its own header
    EXPECT_EQ(ksclient::Property(m_filter, &request, sizeof request, &result, sizeof result), ERROR_INVALID_PARAMETER);
}

TEST_F(FilterProperties, properties_the_filter_does_not_have_are_told_apart)
{
    // {5E3A0C7B-0000-4000-8000-0123456789AB}: a set nobody defines
    const GUID foreign = {0x5E3A0C7B, 0, 0x4000, {0x80, 0, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB}};
    ULONG value = 0;
    EXPECT_EQ(ksclient::Get(m_filter, foreign, 1, &value), ERROR_SET_NOT_FOUND);
    EXPECT_EQ(ksclient::Get(m_filter, KSPROPSETID_Pin, KSPROPERTY_PIN_NAME, &value), ERROR_NOT_FOUND);
    KSAUDIO_POSITION position{};
    EXPECT_EQ(ksclient::GetPosition(m_filter, &position), ERROR_NOT_FOUND) << "a position is a pin's";
    KSPIN_DATAFLOW flow{};
    EXPECT_EQ(GetPinProperty(KSPROPERTY_PIN_DATAFLOW, &flow, sizeof flow, nullptr, 1), ERROR_INVALID_PARAMETER)
        << "the filter has pin factory 0 only";
    KSPROPERTY property = ksclient::MakeProperty(KSPROPSETID_Pin, KSPROPERTY_PIN_CTYPES, KSPROPERTY_TYPE_GET);
    EXPECT_EQ(ksclient::Property(m_filter, &property, 16, &value, sizeof value), ERROR_INSUFFICIENT_BUFFER)
        << "a request shorter than a KSPROPERTY";
    property.Flags = KSPROPERTY_TYPE_SET;
    EXPECT_EQ(ksclient::Property(m_filter, &property, sizeof property, &value, sizeof value), ERROR_NOT_FOUND)
        << "the pin count cannot be set";
}

}  // namespace
}  // namespace vcardtest
