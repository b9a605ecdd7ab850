// The card's installation: its hardware key first, so the card finds its
// settings when it starts, then the device itself.

#include "vcard_install.h"

#include <cstring>

#include <wdm.h>

#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/text.h"

namespace {

const std::wstring kEnum = L"\\Registry\\Machine\\System\\CurrentControlSet\\Enum\\";

std::vector<std::uint8_t> DwordData(std::uint32_t value)
{
    std::vector<std::uint8_t> data(4);
    std::memcpy(data.data(), &value, 4);
    return data;
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
        sinkFolder.empty() ? std::wstring() : sim::WideFromUtf8(std::filesystem::absolute(sinkFolder).string());
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
