// `vastum play --state DIR FILE`: plays a sound file through the first
// render device of the machine, as a client process plays it (open the pin,
// set the format, run, write 10 ms buffers, stop, close). The virtual
// card's output records what was played.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace vastum {

struct PlayRequest {
    std::filesystem::path stateFolder;
    std::string inputPath;                  // "-": standard input
    std::optional<std::string> outputPath;  // a copy of the card's recording
};

// Throws UsageError or CommandError; says what was played and recorded
// (to `out`) and what the boot passed over (to `err`).
void RunPlay(const PlayRequest& request, std::ostream& out, std::ostream& err);

}  // namespace vastum
