// A booted simulated machine for the length of one command: the registry
// read from the state folder and every installed device started; at the
// end the stacks are removed and the registry saved back to the folder
// (new file, flush, rename).
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace vastum {

class MachineSession {
public:
    // Throws CommandError when the folder holds a registry of which no good
    // copy can be read; nothing in the folder is changed then.
    explicit MachineSession(const std::filesystem::path& stateFolder);
    // Shuts the machine down if Close was not called (an error is lost).
    ~MachineSession();
    MachineSession(const MachineSession&) = delete;
    MachineSession& operator=(const MachineSession&) = delete;

    // What the boot passed over or could not start, one "note:" line each.
    void ReportNotes(std::ostream& err) const;

    // Shuts the machine down and saves its registry; throws CommandError
    // when the registry cannot be saved.
    void Close();

private:
    std::filesystem::path m_stateFolder;
    std::vector<std::string> m_notes;
    bool m_running = false;
};

}  // namespace vastum
