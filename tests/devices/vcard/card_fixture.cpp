#include "card_fixture.h"

#include <utility>

#include "sim/clock.h"
#include "sim/machine.h"
#include "sim/pool.h"

namespace vcardtest {

CardMachine::CardMachine() : CardMachine("vastum-vcard-", {}) {}

CardMachine::CardMachine(std::string folderPrefix, std::initializer_list<const char*> morePoolTags)
    : m_folderPrefix(std::move(folderPrefix)), m_poolTags(morePoolTags.begin(), morePoolTags.end())
{
    for (const char* tag : {"VCfl", "VCpn", "VCpr", "VCrg", "VCst"}) {
        m_poolTags.emplace_back(tag);
    }
}

void CardMachine::SetUp()
{
    m_folder = std::filesystem::temp_directory_path() /
               (m_folderPrefix + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(m_folder);
    m_sink = m_folder / "sink";
    vcard::ForgetFinishedRecordings();
    sim::machine::Boot({m_folder / "state", {}});
    m_client.emplace("client");
    m_scope.emplace(*m_client);
}

void CardMachine::TearDown()
{
    m_scope.reset();
    m_client.reset();  // the process ends: its handles close
    sim::machine::Shutdown();
    if (m_manualClock) {
        sim::clock::UseManualClock(false);
    }
    for (const std::string& tag : m_poolTags) {
        EXPECT_EQ(sim::pool::Usage(tag).liveBlocks, 0u) << "blocks of pool tag \"" << tag << "\" left";
    }
    std::filesystem::remove_all(m_folder);
}

void CardMachine::Install(const std::vector<std::wstring>& upperFilters)
{
    vcard::CardSetup setup;
    setup.upperFilters = upperFilters;
    setup.sinkFolder = m_sink;
    ASSERT_EQ(vcard::InstallCard(setup), STATUS_SUCCESS);
    ASSERT_EQ(ksclient::RenderDevices().size(), 1u) << "the card's render interface is there";
}

void CardMachine::Refuse(const vcard::CardRefusals& refusals)
{
    ASSERT_EQ(vcard::ConfigureCard(vcard::kCardInstance, m_sink, refusals), STATUS_SUCCESS);
}

HANDLE CardMachine::OpenFilter()
{
    const auto devices = ksclient::RenderDevices();
    EXPECT_FALSE(devices.empty());
    HANDLE filter = devices.empty() ? INVALID_HANDLE_VALUE : ksclient::OpenFilter(devices[0]);
    EXPECT_NE(filter, INVALID_HANDLE_VALUE) << ksclient::ErrorName(GetLastError());
    return filter;
}

HANDLE CardMachine::CreatePin(HANDLE filter, const WAVEFORMATEX* wave, bool looped)
{
    HANDLE pin = nullptr;
    const DWORD error = ksclient::CreateRenderPin(filter, wave, looped, &pin);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS)) << ksclient::ErrorName(error);
    return pin;
}

KSAUDIO_POSITION CardMachine::Position(HANDLE pin)
{
    KSAUDIO_POSITION position{~0ull, ~0ull};
    const DWORD error = ksclient::GetPosition(pin, &position);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_SUCCESS)) << ksclient::ErrorName(error);
    return position;
}

ClientPages::ClientPages(SIZE_T bytes)
    : m_data(static_cast<unsigned char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))),
      m_bytes(bytes)
{
}

ClientPages::~ClientPages()
{
    Free();
}

void ClientPages::Protect(DWORD protection)
{
    DWORD old = 0;
    EXPECT_TRUE(VirtualProtect(m_data, m_bytes, protection, &old));
}

void ClientPages::Free()
{
    if (m_data != nullptr) {
        VirtualFree(m_data, 0, MEM_RELEASE);
        m_data = nullptr;
    }
}

}  // namespace vcardtest
