// Buffers from clients: stream headers and data the client cannot read,
// malformed header arrays, and property buffers the client cannot read or
// write are refused with the platform's statuses, and a refused request
// plays and records nothing. A looped buffer stays locked for the card
// after the client frees it.

#include <cstring>

#include "card_fixture.h"
#include "sim/clock.h"

namespace vcardtest {
namespace {

class ClientBuffers : public CardMachine {
protected:
    void SetUp() override
    {
        CardMachine::SetUp();
        Install();
        m_filter = OpenFilter();
        m_pin = CreatePin(m_filter, &m_format.Format);
    }

    const WAVEFORMATEXTENSIBLE m_format = ksclient::PcmFormat(2, 48000, 16);
    HANDLE m_filter = INVALID_HANDLE_VALUE;
    HANDLE m_pin = nullptr;
};

TEST_F(ClientBuffers, a_write_with_any_bad_header_is_refused_whole)
{
    std::vector<std::uint8_t> good(1920, 0x11);
    ClientPages hidden(4096);
    ClientPages headerPage(4096);
    hidden.Protect(PAGE_NOACCESS);
    enum Fault { kDataHidden, kDataBeyondFrame, kHeaderSize, kNoData, kLoopedOnStandardPin };
    const struct {
        const char* name;
        Fault fault;
        DWORD error;
    } cases[] = {
        {"data the client cannot read", kDataHidden, ERROR_NOACCESS},
        {"more data used than the frame holds", kDataBeyondFrame, ERROR_INVALID_PARAMETER},
        {"a header of another size", kHeaderSize, ERROR_INVALID_USER_BUFFER},
        {"data used without data", kNoData, ERROR_INVALID_PARAMETER},
        {"a looped buffer on a standard pin", kLoopedOnStandardPin, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        KSSTREAM_HEADER headers[2] = {ksclient::StreamHeader(good.data(), 1920),
                                      ksclient::StreamHeader(hidden.data(), 1920)};
        switch (c.fault) {
        case kDataHidden:
            break;
        case kDataBeyondFrame:
            headers[1] = ksclient::StreamHeader(good.data(), 1920);
            headers[1].FrameExtent = 960;
            break;
        case kHeaderSize:
            headers[1] = ksclient::StreamHeader(good.data(), 1920);
            headers[1].Size = sizeof(KSSTREAM_HEADER) + 8;
            break;
        case kNoData:
            headers[1] = ksclient::StreamHeader(nullptr, 1920);
            break;
        case kLoopedOnStandardPin:
            headers[1] = ksclient::StreamHeader(good.data(), 1920, true);
            break;
        }
        EXPECT_EQ(ksclient::Write(m_pin, headers, 2), c.error) << c.name;
    }
    EXPECT_EQ(Position(m_pin).WriteOffset, 0u) << "not even the good first buffers were taken";

    KSSTREAM_HEADER header = ksclient::StreamHeader(good.data(), 1920);
    std::memcpy(headerPage.data(), &header, sizeof header);
    headerPage.Protect(PAGE_NOACCESS);
    EXPECT_EQ(ksclient::Write(m_pin, reinterpret_cast<KSSTREAM_HEADER*>(headerPage.data()), 1), ERROR_NOACCESS)
        << "headers the client cannot read";
    DWORD bytes = 0;
    EXPECT_FALSE(DeviceIoControl(m_pin, IOCTL_KS_WRITE_STREAM, nullptr, 0, &header, sizeof header - 4, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER)) << "a length that is no whole header";
    EXPECT_EQ(ksclient::Write(m_filter, &header, 1), ERROR_INVALID_FUNCTION) << "a filter takes no stream";

    CloseHandle(m_pin);
    EXPECT_TRUE(vcard::FinishedRecordings().empty()) << "a refused request records nothing";
}

TEST_F(ClientBuffers, a_property_buffer_the_client_cannot_use_is_refused)
{
    ClientPages page(4096);
    KSPROPERTY state = ksclient::MakeProperty(KSPROPSETID_Connection, KSPROPERTY_CONNECTION_STATE, KSPROPERTY_TYPE_GET);
    std::memcpy(page.data(), &state, sizeof state);
    page.Protect(PAGE_READONLY);
    KSSTATE value = KSSTATE_RUN;
    EXPECT_EQ(ksclient::Property(m_pin, page.data(), sizeof state, &value, sizeof value), ERROR_SUCCESS)
        << "a property in read-only memory is fine";
    EXPECT_EQ(ksclient::Property(m_pin, &state, sizeof state, page.data(), sizeof value), ERROR_NOACCESS)
        << "an answer into read-only memory is not";
    page.Protect(PAGE_NOACCESS);
    EXPECT_EQ(ksclient::Property(m_pin, page.data(), sizeof state, &value, sizeof value), ERROR_NOACCESS);
    KSPROPERTY set = state;
    set.Flags = KSPROPERTY_TYPE_SET;
    EXPECT_EQ(ksclient::Property(m_pin, &set, sizeof set, page.data(), sizeof value), ERROR_NOACCESS);
    EXPECT_EQ(ksclient::Property(m_pin, &state, sizeof state, &value, 1 << 20), ERROR_INVALID_USER_BUFFER)
        << "no property of the card needs a megabyte";
    CloseHandle(m_pin);
}

TEST_F(ClientBuffers, a_looped_buffer_stays_with_the_card_after_the_client_frees_it)
{
    sim::clock::UseManualClock(true);
    m_manualClock = true;
    HANDLE pin = CreatePin(m_filter, &m_format.Format, true);
    auto* pages = new ClientPages(19200);
    std::memset(pages->data(), 0x5A, 19200);
    KSSTREAM_HEADER header = ksclient::StreamHeader(pages->data(), 19200, true);
    ASSERT_EQ(ksclient::Write(pin, &header, 1), ERROR_SUCCESS);
    delete pages;  // the client is done with it; the card still plays it
    ASSERT_EQ(ksclient::SetState(pin, KSSTATE_RUN), ERROR_SUCCESS);
    sim::clock::Advance(std::chrono::milliseconds(150));
    EXPECT_EQ(Position(pin).PlayOffset, 50u * 192);
    CloseHandle(pin);
    const auto recordings = vcard::FinishedRecordings();
    ASSERT_EQ(recordings.size(), 1u);
    EXPECT_EQ(recordings[0].dataBytes, 150u * 192);

    ClientPages hidden(4096);
    hidden.Protect(PAGE_NOACCESS);
    pin = CreatePin(m_filter, &m_format.Format, true);
    header = ksclient::StreamHeader(hidden.data(), 4096, true);
    EXPECT_EQ(ksclient::Write(pin, &header, 1), ERROR_NOACCESS);
    CloseHandle(pin);
    CloseHandle(m_pin);
}

}  // namespace
}  // namespace vcardtest
