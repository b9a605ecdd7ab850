// The whole content of the input: a file, or standard input for "-".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vastum {

inline constexpr const char* kStandardInputName = "-";

// How messages name an input: "'in.wav'", or "standard input" for "-".
std::string InputDisplayName(const std::string& path);

// Throws CommandError naming the path and the system's reason.
std::vector<std::uint8_t> ReadInputBytes(const std::string& path);

}  // namespace vastum
