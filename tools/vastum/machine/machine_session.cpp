#include "machine/machine_session.h"

#include "command_error.h"
#include "sim/machine.h"
#include "sim/registry.h"

namespace vastum {

MachineSession::MachineSession(const std::filesystem::path& stateFolder) : m_stateFolder(stateFolder)
{
    if (stateFolder.empty()) {
        throw UsageError("--state needs a folder");
    }
    // A registry that is there but unreadable must not be replaced by the
    // empty one a boot would start with and save.
    const sim::registry::LoadReport check = sim::registry::LoadFrom(stateFolder);
    if (!check.loaded && !check.problems.empty()) {
        std::string problems;
        for (const std::string& problem : check.problems) {
            problems += (problems.empty() ? "" : "; ") + problem;
        }
        throw CommandError("no good registry in " + stateFolder.string() + " (" + problems + "); nothing was changed");
    }
    const sim::machine::BootReport report = sim::machine::Boot({stateFolder, {}});
    m_notes = report.notes;
    m_running = true;
}

void MachineSession::ReportNotes(std::ostream& err) const
{
    for (const std::string& note : m_notes) {
        err << "vastum: note: " << note << "\n";
    }
}

MachineSession::~MachineSession()
{
    if (m_running) {
        sim::machine::Shutdown();
    }
}

void MachineSession::Close()
{
    m_running = false;
    std::string error;
    sim::machine::Shutdown(&error);
    if (!error.empty()) {
        throw CommandError("the registry was not saved to " + m_stateFolder.string() + ": " + error);
    }
}

}  // namespace vastum
