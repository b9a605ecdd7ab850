// The create items the card records in create requests, as a filter above
// it reads them after the card completed the create.

#include "card_fixture.h"
#include "sim/registry.h"

namespace vcardtest {
namespace {

const std::wstring kHardwareKey =
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Enum\\ROOT\\MEDIA\\0000\\Device Parameters";

std::wstring CreatesSeenAbove()
{
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    sim::registry::GetValue(kHardwareKey, L"Creates", &type, &data);
    return sim::registry::StringFromData(data);
}

class CreateItems : public CardMachine {};

TEST_F(CreateItems, a_pin_create_carries_the_pin_object_class_and_a_filter_create_its_own)
{
    Install({L"vcardprobe"});
    HANDLE filter = OpenFilter();
    const auto format = ksclient::PcmFormat(2, 48000, 16);
    HANDLE pin = CreatePin(filter, &format.Format);
    const auto refused = ksclient::PcmFormat(9, 48000, 16);
    HANDLE none = nullptr;
    EXPECT_EQ(ksclient::CreateRenderPin(filter, &refused.Format, false, &none), ERROR_NO_MATCH);
    EXPECT_EQ(CreatesSeenAbove(), std::wstring(L"Wave;") + KSSTRING_Pin + L";");

    HANDLE nested = nullptr;
    EXPECT_EQ(ksclient::CreateRenderPin(pin, &format.Format, false, &nested), ERROR_FILE_NOT_FOUND)
        << "a pin has no pins of its own";
    EXPECT_EQ(CreateFileW((ksclient::RenderDevices()[0] + L"X").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                          nullptr),
              INVALID_HANDLE_VALUE)
        << "the card has no object class \"WaveX\"";
    CloseHandle(pin);
    CloseHandle(filter);
}

}  // namespace
}  // namespace vcardtest
