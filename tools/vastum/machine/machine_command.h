// `vastum machine --state DIR ...`: the simulated machine kept in a state
// folder. Each command boots it, does one thing and shuts it down again,
// which saves its registry.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace vastum {

enum class MachineAction {
    ListDevices,   // devices with their drivers, filters, state and interfaces
    ExportKey,     // a registry key and its subkeys in the text format
    ImportFile,    // apply a text export
    AddFilter,     // put a name at the end of a device's upper-filter list
    RemoveFilter,  // take a name out of it
    InstallCard,   // install the virtual sound card
};

struct MachineRequest {
    std::filesystem::path stateFolder;
    MachineAction action = MachineAction::ListDevices;
    std::string key = "\\Registry\\Machine";  // ExportKey
    std::string file;                          // ImportFile ("-": standard input)
    std::string instance;                      // AddFilter, RemoveFilter, InstallCard
    std::string filter;                        // AddFilter, RemoveFilter
    std::vector<std::string> filters;          // InstallCard: its upper filters
    std::string sinkFolder;                    // InstallCard: where it records
};

// Throws UsageError or CommandError; prints what it did to `out` and
// what the boot passed over to `err`.
void RunMachine(const MachineRequest& request, std::ostream& out, std::ostream& err);

}  // namespace vastum
