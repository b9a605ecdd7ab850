// The card's installation: its hardware key first, so the card finds its
// settings when it starts, then the device itself.

#include "vcard_install.h"

#include <cstring>

#include <wdm.h>

#include "sim/machine.h"
#include "sim/registry.h"

namespace {

const std::wstring kEnum = L"\\Registry\\Machine\\System\\CurrentControlSet\\Enum\\";

std::vector<std::uint8_t> DwordData(std::uint32_t value)
{
    std::vector<std::uint8_t> data(4);
    std::memcpy(data.data(), &value, 4);
    return data;
}

// A UTF-8 path as the WCHARs the registry keeps.
std::wstring WideOf(const std::string& text)
{
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out += static_cast<wchar_t>(code);
        i += length;
    }
    return out;
}

}  // namespace

namespace vcard {

NTSTATUS ConfigureCard(const std::wstring& instanceId, const std::filesystem::path& sinkFolder,
                       const CardRefusals& refusals)
{
    const std::wstring key = kEnum + instanceId + L"\\Device Parameters";
    const struct {
        const wchar_t* name;
        std::uint32_t value;
    } dwords[] = {
        {L"RefuseSampleRate", refusals.sampleRate},
        {L"RefuseBitsPerSample", refusals.bitsPerSample},
        {L"RefuseChannels", refusals.channels},
        {L"RefuseStates", refusals.states},
        {L"RefuseSpeakerGeometry", static_cast<std::uint32_t>(refusals.speakerGeometry)},
        {L"RefusePositionQuery", refusals.positionQuery ? 1u : 0u},
        {L"RefuseFormatQuery", refusals.formatQuery ? 1u : 0u},
    };
    for (const auto& dword : dwords) {
        if (!sim::registry::SetValue(key, dword.name, REG_DWORD, DwordData(dword.value))) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    const std::wstring folder =
        sinkFolder.empty() ? std::wstring() : WideOf(std::filesystem::absolute(sinkFolder).string());
    if (!sim::registry::SetValue(key, L"SinkFolder", REG_SZ, sim::registry::StringData(folder))) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    return STATUS_SUCCESS;
}

NTSTATUS InstallCard(const CardSetup& setup)
{
    const NTSTATUS status = ConfigureCard(setup.instanceId, setup.sinkFolder, setup.refusals);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    return sim::machine::InstallDevice({setup.instanceId, setup.description, kCardService, setup.upperFilters});
}

}  // namespace vcard
