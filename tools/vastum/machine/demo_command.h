// `vastum demo`: the whole system at work. Boots the machine kept in a
// state folder with the virtual card and VYOFilter above it (installing
// them, or adding the filter to the card, when the folder's machine lacks
// them), chooses the engine through the filter's property set as a client
// would (ProcMode), plays the demo programme (or a sound file) through the
// card in 10 ms write requests, and writes what was played and what the
// card recorded:
//
//   OUT/input.wav    the audio as the client handed it over
//   OUT/output.wav   the audio as the card played it, after the filter
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

namespace vastum {

enum class DemoEngine { Vyohd, Kova, Off };

// The VYO HD engine's dither is seeded with this before the demo plays, so
// a demo gives the same output.wav on every run.
inline constexpr unsigned kDemoDitherSeed = 1;

struct DemoRequest {
    DemoEngine engine = DemoEngine::Vyohd;
    std::filesystem::path stateFolder;          // empty: OUT/machine
    std::filesystem::path outFolder = "out";
    std::optional<std::string> inputPath;       // "-": standard input; none: the demo programme
};

// "vyohd", "kova", "off"; throws UsageError for any other name.
DemoEngine ParseDemoEngine(const std::string& name);

// Throws UsageError or CommandError; prints a short summary to `out`
// (engine, settings, levels in and out) and the boot's notes to `err`.
void RunDemo(const DemoRequest& request, std::ostream& out, std::ostream& err);

}  // namespace vastum
