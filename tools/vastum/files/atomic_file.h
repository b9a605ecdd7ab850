// Writes a file so that readers see either its old content or all of the new
// one: the bytes go to a temporary file in the same folder, are flushed to
// the disk, and the temporary file is then renamed over the target. A
// failure leaves the target as it was and removes the temporary file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vastum {

// An existing target keeps its permission bits; a symbolic link is written
// through to the file it names. Throws CommandError naming `path`.
void WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace vastum
