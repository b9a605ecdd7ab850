// A machine with one virtual card installed, and a client process to play
// on it. Every test ends with the card's pool tags (and those of whatever a
// derived fixture installs with it) back at zero.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <ks_client.h>
#include <vcard_install.h>
#include <vcard_recordings.h>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "sim/process.h"

namespace vcardtest {

class CardMachine : public ::testing::Test {
protected:
    CardMachine();
    // For fixtures that install more with the card: `folderPrefix` names
    // the test's folder, `morePoolTags` are checked beside the card's.
    CardMachine(std::string folderPrefix, std::initializer_list<const char*> morePoolTags);

    void SetUp() override;
    void TearDown() override;

    // Installs the card with these filters above it (the fixture installs
    // none unless a test calls this first).
    void Install(const std::vector<std::wstring>& upperFilters = {});
    void Refuse(const vcard::CardRefusals& refusals);

    HANDLE OpenFilter();
    // Creates a render pin and expects the card to accept it.
    HANDLE CreatePin(HANDLE filter, const WAVEFORMATEX* wave, bool looped = false);
    KSAUDIO_POSITION Position(HANDLE pin);

    std::filesystem::path m_folder;
    std::filesystem::path m_sink;
    std::optional<sim::ClientProcess> m_client;
    std::optional<sim::ProcessScope> m_scope;
    bool m_manualClock = false;

private:
    std::string m_folderPrefix;
    std::vector<std::string> m_poolTags;
};

// Client memory (VirtualAlloc) of whole pages, with its protection.
class ClientPages {
public:
    explicit ClientPages(SIZE_T bytes);
    ~ClientPages();
    ClientPages(const ClientPages&) = delete;
    ClientPages& operator=(const ClientPages&) = delete;
    unsigned char* data() const { return m_data; }
    void Protect(DWORD protection);
    void Free();

private:
    unsigned char* m_data;
    SIZE_T m_bytes;
};

}  // namespace vcardtest
