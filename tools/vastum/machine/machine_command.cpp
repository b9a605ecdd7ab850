#include "machine/machine_command.h"

#include <algorithm>

#include <vcard_install.h>

#include "command_error.h"
#include "files/input_bytes.h"
#include "machine/machine_session.h"
#include "sim/text.h"
#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/status.h"

namespace vastum {

namespace {

// Instance ids and service names compare without regard to case.
bool SameName(const std::wstring& a, const std::wstring& b)
{
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::string JoinNames(const std::vector<std::wstring>& names)
{
    std::string text;
    for (const std::wstring& name : names) {
        text += (text.empty() ? "" : ", ") + sim::Utf8FromWide(name);
    }
    return text.empty() ? "none" : text;
}

std::string StateOf(const sim::machine::DeviceInfo& device)
{
    if (device.disabled) {
        return "disabled";
    }
    if (device.started) {
        return "started";
    }
    return "not started (" + sim::StatusName(device.problem) + ")";
}

sim::machine::DeviceInfo FindDevice(const std::string& instance)
{
    const auto devices = sim::machine::Devices();
    const std::wstring wanted = sim::WideFromUtf8(instance);
    for (const auto& device : devices) {
        if (SameName(device.instanceId, wanted)) {
            return device;
        }
    }
    std::vector<std::wstring> ids;
    for (const auto& device : devices) {
        ids.push_back(device.instanceId);
    }
    throw CommandError("no device " + instance + " (devices: " + JoinNames(ids) + ")");
}

void ListDevices(std::ostream& out)
{
    const auto devices = sim::machine::Devices();
    if (devices.empty()) {
        out << "no devices\n";
    }
    for (const auto& device : devices) {
        out << sim::Utf8FromWide(device.instanceId) << "  \"" << sim::Utf8FromWide(device.description) << "\"\n";
        out << "  driver:    " << sim::Utf8FromWide(device.service) << "\n";
        out << "  filters:   " << JoinNames(device.upperFilters) << "\n";
        out << "  state:     " << StateOf(device) << "\n";
        for (const std::wstring& path : device.interfaces) {
            out << "  interface: " << sim::Utf8FromWide(path) << "\n";
        }
    }
}

void ExportKey(const std::string& key, std::ostream& out)
{
    std::string text;
    if (!sim::registry::Export(sim::WideFromUtf8(key), &text)) {
        throw CommandError("no registry key " + key);
    }
    out << text;
}

void ImportFile(const std::string& file, std::ostream& out)
{
    const std::vector<std::uint8_t> bytes = ReadInputBytes(file);
    const sim::registry::ImportResult result = sim::registry::Import(std::string(bytes.begin(), bytes.end()));
    if (!result.ok) {
        throw CommandError(InputDisplayName(file) + " line " + std::to_string(result.line) + ": " + result.error +
                           "; nothing was imported");
    }
    out << "imported " << InputDisplayName(file) << "\n";
}

// A new filter list is the registry's; the device's stack is built from it
// when the device next starts (the machine's next boot).
void ChangeFilters(const MachineRequest& request, std::ostream& out)
{
    const sim::machine::DeviceInfo device = FindDevice(request.instance);
    std::vector<std::wstring> filters = device.upperFilters;
    const std::wstring name = sim::WideFromUtf8(request.filter);
    if (name.empty()) {
        throw UsageError("a filter needs a service name");
    }
    const auto found = std::find_if(filters.begin(), filters.end(), [&](const std::wstring& f) { return SameName(f, name); });
    if (request.action == MachineAction::AddFilter) {
        if (found != filters.end()) {
            out << request.filter << " is an upper filter of " << request.instance << " already\n";
            return;
        }
        filters.push_back(name);
    } else {
        if (found == filters.end()) {
            throw CommandError(request.instance + " has no upper filter " + request.filter + " (filters: " +
                               JoinNames(filters) + ")");
        }
        filters.erase(found);
    }
    const NTSTATUS status = sim::machine::SetUpperFilters(device.instanceId, filters);
    if (!NT_SUCCESS(status)) {
        throw CommandError("cannot change the filters of " + request.instance + ": " + sim::StatusName(status));
    }
    out << "upper filters of " << request.instance << ": " << JoinNames(filters) << " (from its next start)\n";
}

void InstallCard(const MachineRequest& request, std::ostream& out)
{
    vcard::CardSetup setup;
    if (!request.instance.empty()) {
        setup.instanceId = sim::WideFromUtf8(request.instance);
    }
    for (const std::string& filter : request.filters) {
        setup.upperFilters.push_back(sim::WideFromUtf8(filter));
    }
    setup.sinkFolder = request.sinkFolder;
    const NTSTATUS status = vcard::InstallCard(setup);
    if (status == STATUS_OBJECT_NAME_COLLISION) {
        throw CommandError("a device " + sim::Utf8FromWide(setup.instanceId) + " is installed already");
    }
    if (!NT_SUCCESS(status)) {
        throw CommandError("cannot install the card: " + sim::StatusName(status));
    }
    const sim::machine::DeviceInfo device = FindDevice(sim::Utf8FromWide(setup.instanceId));
    out << "installed " << sim::Utf8FromWide(device.instanceId) << " \"" << sim::Utf8FromWide(device.description)
        << "\": " << StateOf(device) << "\n";
}

}  // namespace

void RunMachine(const MachineRequest& request, std::ostream& out, std::ostream& err)
{
    MachineSession session(request.stateFolder);
    session.ReportNotes(err);
    switch (request.action) {
    case MachineAction::ListDevices:
        ListDevices(out);
        break;
    case MachineAction::ExportKey:
        ExportKey(request.key, out);
        break;
    case MachineAction::ImportFile:
        ImportFile(request.file, out);
        break;
    case MachineAction::AddFilter:
    case MachineAction::RemoveFilter:
        ChangeFilters(request, out);
        break;
    case MachineAction::InstallCard:
        InstallCard(request, out);
        break;
    }
    session.Close();
}

}  // namespace vastum
