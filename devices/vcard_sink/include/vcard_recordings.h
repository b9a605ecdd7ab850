// What the virtual sound card recorded, for tests and tools: every
// recording that has ended, in the order they ended.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vcard {

struct Recording {
    std::filesystem::path path;        // the WAV file
    std::vector<std::uint8_t> format;  // the WAVEFORMATEX and its extra bytes
    std::uint64_t dataBytes = 0;       // audio bytes handed to the recording
    std::string error;                 // empty when the file holds all of them
};

std::vector<Recording> FinishedRecordings();
void ForgetFinishedRecordings();

// The file of recording `recording` (from 1) of pin `pin` in `folder`.
std::filesystem::path RecordingPath(const std::filesystem::path& folder, unsigned pin, unsigned recording);

}  // namespace vcard
