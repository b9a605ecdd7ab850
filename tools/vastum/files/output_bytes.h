// Where the finished output goes: a file, replaced atomically, or standard
// output for "-". Either way it is written only once complete, so a failed
// run writes nothing.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vastum {

inline constexpr const char* kStandardOutputName = "-";

// Throws CommandError; refuses to send audio to a terminal.
void WriteOutputBytes(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vastum
